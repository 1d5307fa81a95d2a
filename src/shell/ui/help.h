// The help book: our help pages, shown in the desktop browser.
#pragma once

// Opens our help page for HelpSubject (the index when it has none).
void OpenHelpBook();
// Opens the help page of a subject; when no browser can be started, an
// alert names the page's file so that the user can open it.
void OpenHelpPage(int subject);
