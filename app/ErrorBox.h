// SPDX-License-Identifier: GPL-2.0-or-later
#pragma once

#include <QString>
#include <string>

// The application's error box: every error that escapes an event handler ends here, is shown to the
// user, and the program goes on with its next event.

// The text the box shows for an error message: a full stop is added when the message's last
// character sorts after "." (a letter, a digit, a Japanese character), so "Faild!" or "(5)." stay
// as they are.
QString ErrorBoxText(const QString& message);

// Shows the error box: error icon, OK button, the application's title, the message by the rule
// above. Returns when the user has closed it.
void ShowApplicationError(const QString& message);

// Once the session is ending nobody will answer a box: from then on an error is written to standard
// error instead, and remembered, so that the program's exit status can say a shutdown failed.
void SendErrorsToStandardError();
bool ErrorsGoToStandardError();
bool ErrorWentToStandardError();
void ReportOnStandardError(const QString& message);
// Writes the message as ReportOnStandardError does, without counting it as an error of the shutdown:
// the text of a box that was open when the session ended.
void EchoOnStandardError(const QString& message);
