#pragma once

// What assistive technology (a screen reader) makes of the controls Qt cannot describe by itself.
// A TTextLinesView is a read-only multi-line text: its characters, words, lines and selection
// are read and set by offset as TTextLinesView::TextLength describes, without ever joining a long
// text into one string. A TStageBox is a button named after its stage, marked selected with its
// stage, whose press action selects the stage as a click does.
// Installs the factory that makes them; calls after the first do nothing.
void InstallAccessibleFactory();
