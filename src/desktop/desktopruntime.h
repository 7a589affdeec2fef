#pragma once

#include <QString>
#include <QStringList>

namespace desktop
{

// Installs the system's seams (platform::installSystemRuntime) and, on top, the desktop's
// message boxes and shell open, and gives the application a font that covers Japanese.
// Called once at start, after the QApplication is made, by every program with windows.
void installDesktopRuntime();

// Loads the system's font configuration on a thread of its own, before the QApplication
// is made, so that the program's start goes on meanwhile; installDesktopRuntime waits for it.
// Does nothing where fonts are not configured through fontconfig.
void startFontConfiguration();

// The family for the program's texts among the installed families that cover Japanese:
// the first of the families the suite's screens are made for that is installed, else the
// first one given; empty when none is given.
QString japaneseFontFamily(const QStringList& japaneseFamilies);

// Sets the application font to japaneseFontFamily() of the installed fonts, at the size of
// the current one, so that the first Japanese text needs no search for a fallback font.
// False (font unchanged) when no installed font covers Japanese.
bool useJapaneseFont();

} // namespace desktop
