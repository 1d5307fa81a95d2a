// The help book: our help pages, shown in the desktop browser or, where
// none starts, in the program's own help window.
#pragma once

// Opens our help page for HelpSubject (the index when it has none).
void OpenHelpBook();
// Opens the help page of a subject; only a page missing from the
// installation gets an alert naming its file.
void OpenHelpPage(int subject);
