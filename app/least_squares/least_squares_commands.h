#pragma once

class TForm1;

// "Точная подгонка (МНК)" (Ctrl+L), enabled once a fit has run: refines both models of the fit
// off the window's thread and shows them in the window "Harmora - МНК", which is created here,
// hidden, as a child of the form.
void CreateLeastSquaresCommands(TForm1& form);
