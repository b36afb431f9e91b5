#pragma once
// Help pages in the desktop's web browser: the HTML manual stands in for the
// help file, so every help button and F1 end here.

#include <QString>
#include <QStringList>
#include <QUrl>

class QWidget;

namespace kav {

// The command that opens a web page, page not included: the first usable entry
// of $BROWSER (a ":"-separated list; "%s" in an entry stands for the page), the
// desktop's opener when the desktop has a default program for web pages, then
// Debian's x-www-browser and a few common browsers on PATH. Empty when this
// machine has no browser.
QStringList browserCommand();

// Opens the page in the browser; false when there is none or it cannot start.
bool openInBrowser(const QUrl &page);

// Opens a help page. When the page is missing, or no browser can show it, says
// so in a box above parent (with the file's location, so the user can open it
// by other means); the program never just stays silent.
void openHelpPage(const QUrl &page, QWidget *parent);

// The program's manual (manualUrl()) through openHelpPage.
void openManual(QWidget *parent);

// The manual's page (and place on it) about `window`, as "page.html#anchor"; empty for a
// window the manual does not describe on a page of its own.
QString helpTopicOf(const QWidget *window);
// That page of `manual` (the contents page), or `manual` itself when there is none.
QUrl helpPageFor(const QWidget *window, const QUrl &manual);

} // namespace kav
