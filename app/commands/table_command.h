#pragma once

class TForm1;

// "Открыть таблицу…": a CSV, TSV or semicolon table chosen in the open dialog is shown in the
// table dialog, and the pairs of the columns chosen there become the new data set.
void CreateTableCommands(TForm1& form);
