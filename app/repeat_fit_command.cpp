#include "app/repeat_fit_command.h"

#include <utility>

#include "app/context_menu.h"
#include "app/tform1.h"

namespace {

// Gives the generator back its own clock when the repeated fit ends, also by a fault.
struct ClockRestore {
  RandomGenerator& Random;
  SeedClock Saved;
  ~ClockRestore() { Random.Clock = std::move(Saved); }
};

}  // namespace

void CreateRepeatFitCommands(TForm1& form) {
  AddWindowCommand(form,
                   QStringLiteral("Повторить поиск с теми же зёрнами"),
                   QKeySequence(Qt::CTRL | Qt::SHIFT | Qt::Key_F),
                   true,
                   [&form] {
                     AppState& state = form.State;
                     // The fit shown, not what the panel says since: the panel is set back to
                     // its settings, so it shows what the repeat searched with.
                     form.ShowFitSettings(state.LastFit);
                     const ClockRestore restore{state.Random, state.Random.Clock};
                     state.Random.Clock = SeedSequence(state.StageSeeds[0], state.StageSeeds[1]);
                     form.BitBtn2Click();
                   });
}
