#include "cli/help_text.h"

#include <string>

namespace {

// One option of the help: how it is written, then its description in each language, its lines
// broken where the description column (24 characters in) should wrap them.
struct HelpOption {
  const char* Spelling;
  const char* English;
  const char* Russian;
};

constexpr const char* kUsage[] = {
    "Usage: harmora-fit [OPTION]... FILE...\n"
    "Fits both harmonic models to each data file, as the Harmora window does, and prints\n"
    "the results.\n",
    "Использование: harmora-fit [ПАРАМЕТР]... ФАЙЛ...\n"
    "Подбирает обе гармонические модели к каждому файлу данных, как окно Harmora, и\n"
    "печатает результаты.\n"};

constexpr HelpOption kOptions[] = {
    {"-n, --harmonics N",
     "harmonics per model, 1 to 5 (default 1)",
     "число гармоник в модели, от 1 до 5 (по умолчанию 1)"},
    {"-d, --depth D",
     "random trials per harmonic: 10000, 50000, 100000, 500000\nor 998888 (default 10000)",
     "случайных проб на гармонику: 10000, 50000, 100000, 500000\nили 998888 (по умолчанию "
     "10000)"},
    {"    --search S",
     "how the harmonics are found: random (the window's trials)\nor periodogram (its peaks, "
     "one harmonic at a time); by\ndefault random up to 100 observations, periodogram above",
     "как искать гармоники: random (случайные пробы, как в окне)\nили periodogram (пики "
     "периодограммы, по одной гармонике);\nпо умолчанию random до 100 наблюдений, "
     "periodogram больше"},
    {"    --min-period P",
     "shortest period searched (default twice the mean spacing\nof x, as in the window)",
     "наименьший искомый период (по умолчанию удвоенный средний\nшаг x, как в окне)"},
    {"    --seed S1[,S2]",
     "the generator's state after the reseed of stage 1 (model 2)\nand of stage 2 (model 1); "
     "S2 defaults to S1 + 1. Without it\nthe seeds come from the clock; they are always printed",
     "состояние генератора после перезапуска этапа 1 (модель 2)\nи этапа 2 (модель 1); по "
     "умолчанию S2 = S1 + 1. Без него\nзатравки берутся от часов; они печатаются всегда"},
    {"    --refine",
     "also refine both models by least squares, with statistics\nand standard errors",
     "ещё уточнить обе модели методом наименьших квадратов,\nсо статистикой и стандартными "
     "ошибками"},
    {"    --refine-budget F",
     "the refinement's starts, F times its default budget (above\n0, at most 1000; implies "
     "--refine): "
     "a longer search where a\nnote says the best is not certain to be the optimum",
     "число стартов уточнения, в F раз больше обычного (больше 0,\nне больше 1000; включает "
     "--refine): более долгий поиск там,\nгде примечание говорит, что лучшее может быть не "
     "оптимумом"},
    {"    --compare-counts",
     "also fit and refine 1 .. N harmonics and compare them: per N\nBIC, the F test and the "
     "false-alarm probability of the\nlast harmonic, and the recommended N (implies --refine)",
     "ещё подобрать и уточнить 1 .. N гармоник и сравнить их: для\nкаждого N BIC, F-тест и "
     "вероятность ложной тревоги последней\nгармоники, и рекомендуемое N (включает --refine)"},
    {"    --constant",
     "fit a constant term c0 as well (implies --refine): the\nsearch runs on the data less "
     "its least-squares estimate",
     "подобрать и постоянный член c0 (включает --refine): поиск\nидёт по данным за вычетом его "
     "оценки наименьших квадратов"},
    {"    --trend",
     "fit a linear trend c1 * x as well (implies --refine)",
     "подобрать и линейный тренд c1 * x (включает --refine)"},
    {"    --period P",
     "a known period, in x units (repeatable, at most 5): a\nharmonic at B = 2*pi/P whose "
     "amplitude and phase are fitted;\n-n counts it, the other harmonics are searched "
     "(implies\n--refine; with only known periods the fit is linear)",
     "известный период в единицах x (можно повторять, до 5):\nгармоника с B = 2*pi/P, у "
     "которой подбираются амплитуда\nи фаза; -n учитывает её, остальные гармоники ищутся\n"
     "(включает --refine; только с известными периодами подбор\nлинейный)"},
    {"    --sigma S",
     "the standard deviation of every y: weighted least squares\nwith chi2 and reduced chi2 "
     "(implies --refine)",
     "стандартное отклонение каждого y: взвешенные наименьшие\nквадраты с chi2 и приведённым "
     "chi2 (включает --refine)"},
    {"    --absolute-sigma",
     "take sigma as the errors in y's units; by default (as\nscipy's curve_fit) only their "
     "ratios count and the errors\nare scaled by the reduced chi2",
     "считать сигму ошибками в единицах y; по умолчанию (как\ncurve_fit в scipy) важны только "
     "их отношения, и ошибки\nмасштабируются приведённым chi2"},
    {"    --strict",
     "refuse a file in which the import check finds anything",
     "отклонить файл, в котором проверка чтения что-то нашла"},
    {"    --format F",
     "report (default: the window's report), json (one object per\nfile and line) or csv (one "
     "table across the files: a file\ncolumn and one row per observation)",
     "report (по умолчанию: отчёт окна), json (по объекту на файл\nи строку) или csv (одна "
     "таблица на все файлы: столбец file\nи строка на каждое наблюдение)"},
    {"    --comments",
     "with csv: each file's settings and coefficients as '#' lines",
     "с csv: настройки и коэффициенты каждого файла строками '#'"},
    {"    --table",
     "read the files as tables (CSV, TSV, ';'), header or none",
     "читать файлы как таблицы (CSV, TSV, ';') с заголовком или без"},
    {"    --x-column C",
     "with --table: x from column C, a name or a number (default:\nthe first column of numbers "
     "or dates after a nameless index)",
     "с --table: x из столбца C, имя или номер (по умолчанию первый\nстолбец чисел или дат после "
     "безымянного индекса)"},
    {"    --y-column C",
     "with --table: y from column C (default: the next such column);\nrepeat it to fit "
     "several columns,\nseries i with seeds S1+2i,S2+2i",
     "с --table: y из столбца C (по умолчанию следующий такой\nстолбец); повторите, чтобы "
     "подобрать несколько столбцов, ряд i\nс затравками S1+2i,S2+2i"},
    {"    --sigma-column C",
     "with --table: each y's standard deviation from column C",
     "с --table: стандартное отклонение каждого y из столбца C"},
    {"    --decimal-comma",
     "with --table: ',' is the decimal mark",
     "с --table: ',' — десятичный разделитель"},
    {"    --plot FILE",
     "also draw the data and both models as the window does, to\nFILE.svg, FILE.png or "
     "FILE.pdf (one fit)",
     "ещё нарисовать данные и обе модели, как окно, в ФАЙЛ.svg,\nФАЙЛ.png или ФАЙЛ.pdf (один "
     "подбор)"},
    {"    --plot-size WxH",
     "the plot's size in pixels, 100 to 4000 each (default 800x500)",
     "размер графика в пикселях, каждый от 100 до 4000\n(по умолчанию 800x500)"},
    {"    --plot-theme T",
     "dark (default: the window's look) or light (for print)",
     "dark (по умолчанию: как в окне) или light (для печати)"},
    {"    --x-title T",
     "the x axis title (default the table's x column name, else x);\nan empty title is left out",
     "подпись оси x (по умолчанию имя столбца x таблицы, иначе x);\nпустая подпись не рисуется"},
    {"    --y-title T",
     "the y axis title (default the table's y column name, else y)",
     "подпись оси y (по умолчанию имя столбца y таблицы, иначе y)"},
    {"-h, --help", "print this help and exit", "напечатать эту справку и выйти"},
    {"    --version", "print the version and exit", "напечатать версию и выйти"},
};

constexpr const char* kClosing[] = {
    "A data file is read exactly as the window reads it; FILE - is standard input, and\n"
    "pipes and other streams are read too. Numbers are written in the shortest form that\n"
    "reads back exactly. Messages are Russian under a ru_* locale, English otherwise.\n"
    "Exit status: 0 when every file was fitted, 1 when a file was refused or its fit\n"
    "failed (the others are still fitted), 2 for a usage error.\n",
    "Файл данных читается в точности так, как его читает окно; ФАЙЛ - — стандартный\n"
    "ввод, читаются и каналы, и другие потоки. Числа пишутся в кратчайшей форме, которая\n"
    "читается обратно точно. Сообщения на русском при локали ru_*, иначе на английском.\n"
    "Код выхода: 0, если подобраны все файлы, 1, если файл отклонён или его подбор не\n"
    "удался (остальные всё равно подбираются), 2 при ошибке в командной строке.\n"};

constexpr std::size_t kDescriptionColumn = 24;

}  // namespace

std::string HelpText(Language language) {
  const int l = language == Language::Russian ? 1 : 0;
  std::string text = kUsage[l];
  text += '\n';
  for (const HelpOption& option : kOptions) {
    std::string line = "  ";
    line += option.Spelling;
    // A spelling too long for its column gets a line of its own.
    if (line.size() + 2 > kDescriptionColumn) {
      line += '\n';
      line.append(kDescriptionColumn, ' ');
    } else {
      line.resize(kDescriptionColumn, ' ');
    }
    for (const char* ch = l == 1 ? option.Russian : option.English; *ch != '\0'; ++ch) {
      line += *ch;
      if (*ch == '\n') line.append(kDescriptionColumn, ' ');
    }
    text += line + '\n';
  }
  text += '\n';
  return text + kClosing[l];
}
