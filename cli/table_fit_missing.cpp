// harmora-fit where the table reader is not built (a cross build without libcsv): files are read
// as pairs, and a table asked for is refused.
#include "cli/table_fit.h"

bool TableReaderBuilt() { return false; }

void FitTableFile(const std::string& path, const FitOptions& options, const FileFitSink& each) {
  if (!TableAsked(options)) return each(std::make_unique<FileFit>(FitDataFile(path, options)));
  auto fit = std::make_unique<FileFit>();
  fit->Path = path;
  fit->Error = Say(options.Messages,
                   "this harmora-fit is built without the table reader",
                   "эта сборка harmora-fit не умеет читать таблицы");
  each(std::move(fit));
}
