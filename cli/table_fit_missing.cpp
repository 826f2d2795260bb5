// harmora-fit --table where the table reader is not built (a cross build without libcsv).
#include "cli/table_fit.h"

bool TableReaderBuilt() { return false; }

void FitTableFile(const std::string& path,
                  const FitOptions& options,
                  const std::function<void(const FileFit&)>& each) {
  FileFit fit;
  fit.Path = path;
  fit.Error = Say(options.Messages,
                  "this harmora-fit is built without the table reader",
                  "эта сборка harmora-fit не умеет читать таблицы");
  each(fit);
}
