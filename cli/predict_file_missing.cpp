#include "cli/predict_points.h"

// A build without the table reader takes --predict as a range of numbers only.
bool ReadRangeDate(std::string_view, double&) { return false; }

PredictFile ReadPredictFile(const std::string& path, bool, Language l) {
  PredictFile out;
  out.Error = path + ": " +
              Say(l,
                  "this harmora-fit is built without the table reader: give --predict a range "
                  "start:stop:step",
                  "эта сборка harmora-fit собрана без чтения таблиц: задайте --predict "
                  "диапазоном начало:конец:шаг");
  return out;
}
