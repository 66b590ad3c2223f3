#pragma once

// What assistive technology (a screen reader) makes of the controls that paint their own content.
// A TTextLinesView is a read-only multi-line text: its characters, words, lines and selection
// are read and set by offset as TTextLinesView::TextLength describes, without ever joining a long
// text into one string.
// Installs the factory that makes them; calls after the first do nothing.
void InstallAccessibleFactory();
