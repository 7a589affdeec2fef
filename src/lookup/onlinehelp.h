#pragma once

#include <QString>

// Online help: the maker's help pages, with the map-service account and a topic number in
// the query.
short iGetHelpAddress();
short iGetMapAccount(QString& user, QString& password);
void vOpenOnlineHelp(short topic);
