#include "app/window_commands.h"

#include <QMenu>

#include "app/commands/export_commands.h"
#include "app/commands/help_command.h"
#include "app/commands/import_view.h"
#include "app/commands/repeat_fit_command.h"
#include "app/commands/table_command.h"
#include "app/least_squares/least_squares_commands.h"
#include "app/periodogram/periodogram_window.h"
#include "app/window/context_menu.h"
#include "app/window/tform1.h"

void CreateWindowCommands(TForm1& form) {
  // In the order of the menu; each feature adds its commands in its own file.
  CreateLeastSquaresCommands(form);
  CreatePeriodogramCommand(form);
  CreateExportCommands(form);
  CreateImportCommands(form);
  CreateTableCommands(form);
  CreateRepeatFitCommands(form);
  CreateZoomCommands(form);
  form.ContextMenu->addSeparator();
  CreateHelpCommand(form);
}
