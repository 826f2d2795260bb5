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
    "Fits the harmonic models of the Harmora window, with a constant, to each data file\n"
    "(a table, or x y pairs) and prints the results.\n",
    "Использование: harmora-fit [ПАРАМЕТР]... ФАЙЛ...\n"
    "Подбирает гармонические модели окна Harmora, с постоянным членом, к каждому файлу\n"
    "данных (таблице или парам x y) и печатает результаты.\n"};

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
    {"    --model M",
     "the models fitted: 1 (the sum), 2 (its square) or both\n(default both)",
     "подбираемые модели: 1 (сумма), 2 (её квадрат) или both\n(по умолчанию обе)"},
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
    {"    --no-constant",
     "fit no constant term c0: the window's models, which carry\na level only by a harmonic "
     "near B = 0 (said in a note). By\ndefault c0 is fitted (and the refinement runs): the "
     "search\nruns on the data less its least-squares estimate",
     "не подбирать постоянный член c0: модели окна, в которых\nуровень несёт лишь гармоника с "
     "B около 0 (об этом\nпримечание). По умолчанию c0 подбирается (и идёт уточнение):\nпоиск "
     "идёт по данным за вычетом его оценки наименьших\nквадратов"},
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
    {"    --quiet",
     "no progress line: a single file's fit that runs for more\nthan two seconds says on a "
     "terminal's standard error what\nit is doing (never in a pipe or a file)",
     "без строки хода работы: подбор одного файла дольше двух\nсекунд пишет в стандартный "
     "поток ошибок терминала, чем\nзанят (никогда в канал или файл)"},
    {"    --format F",
     "report (default: the window's report), json (one object per\nfile and line) or csv (one "
     "table across the files: a file\ncolumn and one row per observation)",
     "report (по умолчанию: отчёт окна), json (по объекту на файл\nи строку) или csv (одна "
     "таблица на все файлы: столбец file\nи строка на каждое наблюдение)"},
    {"    --comments",
     "with csv: each file's settings and coefficients as '#' lines",
     "с csv: настройки и коэффициенты каждого файла строками '#'"},
    {"    --predict X",
     "write, in place of the observations' rows, each model asked\nfor at X with the band of "
     "its mean curve and of a new\nobservation (csv, or --format json): X is a range\n"
     "START:STOP:STEP (STOP included on the grid, at most\n1000000 points; ISO dates for "
     "START and STOP, STEP in\ndays) or a file of x, one a line (dates where the fit's x\n"
     "are dates)",
     "записать вместо строк наблюдений каждую заданную модель\nв точках X с полосой её "
     "среднего и нового наблюдения\n(csv или --format json): X — диапазон НАЧАЛО:КОНЕЦ:ШАГ\n"
     "(КОНЕЦ входит, если лежит на сетке, не больше 1000000\nточек; даты ISO для НАЧАЛА и "
     "КОНЦА, ШАГ в сутках) или\nфайл x, по одному в строке (даты, если x подбора — даты)"},
    {"    --band L",
     "the level of --predict's bands, above 0 and below 1\n(default 0.95)",
     "уровень полос --predict, больше 0 и меньше 1\n(по умолчанию 0.95)"},
    {"    --pairs",
     "read the files as the window does: numbers in x y pairs,\nat most 100 pairs, with its "
     "import check. By default a\nfile is read as a table (CSV, TSV, ';' or blanks, header "
     "or\nnone), and as pairs where it has no columns",
     "читать файлы, как окно: числа парами x y, не больше 100\nпар, с его проверкой чтения. "
     "По умолчанию файл читается\nкак таблица (CSV, TSV, ';' или пробелы, с заголовком или\n"
     "без), а если столбцов нет — парами"},
    {"    --table",
     "read the files as tables only, never as pairs. A table is\na regular file or - of at most "
     "2 GiB, refused when its\nread and fit are estimated to need more memory than is free",
     "читать файлы только как таблицы, никогда парами. Таблица —\nобычный файл или - не больше "
     "2 ГиБ; отказ, если чтению и\nподбору по оценке нужно больше памяти, чем свободно"},
    {"    --all-columns",
     "fit every column of numbers but x and sigma, each as a\nseries of its own (series i "
     "with seeds S1+2i,S2+2i)",
     "подобрать каждый столбец чисел, кроме x и сигмы, как\nотдельный ряд (ряд i с "
     "затравками S1+2i,S2+2i)"},
    {"    --x-column C",
     "x from column C, a name or a number (default: the first\ncolumn of numbers or dates "
     "after a nameless index)",
     "x из столбца C, имя или номер (по умолчанию первый столбец\nчисел или дат после "
     "безымянного индекса)"},
    {"    --y-column C",
     "y from column C (default: the next such column); repeat it\nto fit several columns, "
     "series i with seeds S1+2i,S2+2i",
     "y из столбца C (по умолчанию следующий такой столбец);\nповторите, чтобы подобрать "
     "несколько столбцов, ряд i\nс затравками S1+2i,S2+2i"},
    {"    --sigma-column C",
     "each y's standard deviation from column C",
     "стандартное отклонение каждого y из столбца C"},
    {"    --decimal-comma",
     "',' is the decimal mark of the table",
     "',' — десятичный разделитель таблицы"},
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
    "With --pairs --no-constant a data file is read and fitted exactly as the window does.\n"
    "FILE - is standard input; pipes and other streams are read too. Numbers are written\n"
    "in the shortest form that reads back exactly. Messages are Russian under a ru_*\n"
    "locale, English otherwise.\n"
    "Exit status: 0 when every file was fitted, 1 when a file was refused or its fit\n"
    "failed (the others are still fitted), 2 for a usage error, 3 when the results could\n"
    "not be written (disk full, a closed pipe), 130 or 143 when stopped by SIGINT or\n"
    "SIGTERM (the lines written are whole).\n",
    "С --pairs --no-constant файл данных читается и подбирается в точности как в окне.\n"
    "ФАЙЛ - — стандартный ввод; читаются и каналы, и другие потоки. Числа пишутся\n"
    "в кратчайшей форме, которая читается обратно точно. Сообщения на русском при\n"
    "локали ru_*, иначе на английском.\n"
    "Код выхода: 0, если подобраны все файлы, 1, если файл отклонён или его подбор не\n"
    "удался (остальные всё равно подбираются), 2 при ошибке в командной строке, 3, если\n"
    "результаты не удалось записать (диск полон, канал закрыт), 130 или 143 после SIGINT\n"
    "или SIGTERM (записанные строки целы).\n"};

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
