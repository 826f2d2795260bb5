"""Writes the realistic data files of this folder: what NumPy, pandas, Excel, R and loggers write
for a small series, each with the pairs its author meant (in expected.json). Run with Debian's
python3 (NumPy and pandas) from this folder; the files are kept in the repository so that the
test needs neither.
"""
import io
import json
import math

import numpy as np
import pandas as pd

rng = np.random.default_rng(20261209)
x = np.round(np.arange(30) * 0.5, 3)
y = np.round(2 * np.sin(0.9 * x + 0.3) + 0.7 * np.sin(2.7 * x + 1) + 0.05 * rng.standard_normal(30), 4)
sigma = np.round(0.05 + 0.01 * rng.random(30), 4)
big = np.round(1000 + 400 * np.sin(0.6 * x), 1)  # values with a thousands place
expected = {}


def save(name, data, pairs, encoding="utf-8"):
    with open(name, "wb") as f:
        f.write(data.encode(encoding) if isinstance(data, str) else data)
    expected[name] = [[float(a), float(b)] for a, b in pairs]


def frame(**columns):
    return pd.DataFrame(columns)


def text(call):
    out = io.StringIO()
    call(out)
    return out.getvalue()


pairs = list(zip(x, y))
# NumPy's default: %.18e, blank separated.
save("savetxt_default.txt", text(lambda f: np.savetxt(f, np.column_stack([x, y]))), pairs)
save("savetxt_fixed.txt", text(lambda f: np.savetxt(f, np.column_stack([x, y]), fmt="%.4f")), pairs)
save("savetxt_header.txt",
     text(lambda f: np.savetxt(f, np.column_stack([x, y]), fmt="%.4f", header="t y")), pairs)
save("savetxt_tab_small.txt",
     text(lambda f: np.savetxt(f, np.column_stack([x, y * 1e-5]), fmt="%.6g", delimiter="\t")),
     list(zip(x, y * 1e-5)))
# pandas to_csv and Excel's "CSV UTF-8": comma separated, a header.
save("pandas.csv", frame(x=x, y=y).to_csv(index=False), pairs)
save("pandas_noheader.csv", frame(x=x, y=y).to_csv(index=False, header=False), pairs)
save("excel_utf8.csv", "\ufeff" + frame(x=x, y=y).to_csv(index=False, lineterminator="\r\n"), pairs)
# Excel in a decimal-comma locale: semicolons and commas, the BOM.
save("excel_semicolon.csv",
     "\ufeff" + frame(x=x, y=y).to_csv(index=False, sep=";", decimal=",", lineterminator="\r\n"),
     pairs)
# R's write.csv: quoted names and a row-name column.
save("r_write.csv", frame(x=x, y=y).to_csv(index=True, quoting=2), pairs)
# A third column: the measurement's standard deviation.
save("sigma_column.txt", frame(x=x, y=y, s=sigma).to_csv(index=False, header=False, sep=" "), pairs)
# Windows "Unicode text": UTF-16 with its byte order mark.
save("utf16.txt", frame(x=x, y=y).to_csv(index=False, sep="\t"), pairs, encoding="utf-16")
save("utf16_positive.txt",
     frame(x=x, y=np.abs(y)).to_csv(index=False, header=False, sep="\t"),
     list(zip(x, np.abs(y))), encoding="utf-16")
# A logger's day: more than 100 rows.
xl = np.arange(150) * 0.25
yl = np.round(np.sin(0.4 * xl), 4)
save("logger_150.txt", frame(x=xl, y=yl).to_csv(index=False, header=False, sep="\t"), zip(xl, yl))
# Thousands separated by a blank, as a spreadsheet shows them.
save("thousands.txt",
     "".join(f"{a:g}\t{int(b) // 1000} {b % 1000:05.1f}\n" for a, b in zip(x, big)), zip(x, big))
# A missing value in one row.
rows = [f"{a:g}\t{b:g}\n" for a, b in zip(x, y)]
rows[7] = f"{x[7]:g}\tNA\n"
save("missing_na.txt", "".join(rows), [p for i, p in enumerate(pairs) if i != 7])
# Times of day as x.
save("clock_times.txt",
     "".join(f"{8 + i // 4:02d}:{15 * (i % 4):02d} {b:g}\n" for i, b in enumerate(y)),
     [(8 + i // 4 + (i % 4) / 4, b) for i, b in enumerate(y)])
# A header whose names hold digits.
save("header_digits.txt", "t_s T2_C\n" + "".join(f"{a:g} {b:g}\n" for a, b in pairs), pairs)
# Negative values written with the Unicode minus sign.
save("unicode_minus.txt",
     "".join(f"{a:g} {b:g}\n".replace("-", "\u2212") for a, b in pairs), pairs)

with open("expected.json", "w") as f:
    json.dump(expected, f, indent=0)
