// The months' names a table's dates are written with, declared in data/table_values.h.

#include <string>
#include <string_view>

#include "data/table_values.h"

int MonthOfName(std::string_view name) {
  static constexpr std::string_view kNames[][8] = {
      {"jan", "january", "янв", "январь", "января", "Янв", "Январь", "ЯНВ"},
      {"feb", "february", "фев", "февраль", "февраля", "Фев", "Февраль", "ФЕВ"},
      {"mar", "march", "мар", "март", "марта", "Мар", "Март", "МАР"},
      {"apr", "april", "апр", "апрель", "апреля", "Апр", "Апрель", "АПР"},
      {"may", "may", "май", "май", "мая", "Май", "Май", "МАЙ"},
      {"jun", "june", "июн", "июнь", "июня", "Июн", "Июнь", "ИЮН"},
      {"jul", "july", "июл", "июль", "июля", "Июл", "Июль", "ИЮЛ"},
      {"aug", "august", "авг", "август", "августа", "Авг", "Август", "АВГ"},
      {"sep", "september", "сен", "сентябрь", "сентября", "Сен", "Сентябрь", "СЕН"},
      {"oct", "october", "окт", "октябрь", "октября", "Окт", "Октябрь", "ОКТ"},
      {"nov", "november", "ноя", "ноябрь", "ноября", "Ноя", "Ноябрь", "НОЯ"},
      {"dec", "december", "дек", "декабрь", "декабря", "Дек", "Декабрь", "ДЕК"},
  };
  if (!name.empty() && name.back() == '.') name.remove_suffix(1);  // Jan., янв.
  std::string lower(name);
  for (char& c : lower) c = (c >= 'A' && c <= 'Z') ? static_cast<char>(c - 'A' + 'a') : c;
  if (lower == "sept") return 9;
  for (int m = 0; m < 12; ++m) {
    for (const std::string_view known : kNames[m]) {
      if (lower == known || name == known) return m + 1;
    }
  }
  return 0;
}
