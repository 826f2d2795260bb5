#pragma once

// What a user reads when a data file is refused (UTF-8). The window shows them in its error box;
// harmora-fit prints them with the file's name.

// The file holds a number that cannot be converted.
inline constexpr const char* kUnreadableDataText =
    "Не удалось прочитать числовые данные из файла. Инструкция по созданию файла данных "
    "находится в документе About.doc.";

// The file yields fewer than 4 pairs.
inline constexpr const char* kTooShortDataText =
    "Файл данных должен содержать не менее 4 наблюдений (не менее 8 чисел). Подробности можно "
    "найти в документе About.doc.";
