#include "app/commands/repeat_fit_command.h"

#include "app/window/context_menu.h"
#include "app/window/tform1.h"

void CreateRepeatFitCommands(TForm1& form) {
  AddWindowCommand(form,
                   QStringLiteral("Повторить поиск с теми же зёрнами"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                   true,
                   [&form] {
                     const AppState& state = form.State;
                     // The fit shown, not what the panel says since: the panel is set back to
                     // its settings, so it shows what the repeat searched with.
                     form.ShowFitSettings(state.LastFit);
                     FitRequest repeat;
                     repeat.FixedSeeds = true;
                     repeat.Seeds[0] = state.StageSeeds[0];
                     repeat.Seeds[1] = state.StageSeeds[1];
                     form.FindHarmonics(repeat);
                   });
}
