#pragma once

class TForm1;

// "Повторить поиск с теми же зёрнами" (Ctrl+Shift+F): runs the find button's fit again with the
// two seeds of the last fit, so the same data and settings give the same coefficients bit for
// bit. Later fits read the clock again.
void CreateRepeatFitCommands(TForm1& form);
