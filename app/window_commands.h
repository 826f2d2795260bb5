#pragma once

class TForm1;

// Gives the window every command beyond the panel, in the order its context menu lists them.
// The window itself knows none of them: the program (and the window tests) add them here.
void CreateWindowCommands(TForm1& form);
