#pragma once

#include <QString>

// Where the window puts the focus after a refused log-in.
enum class LoginFocus { None, UserId, Password };

// Checks the account against ACCOUNT and ACCESS_LEVEL, marks it logged in and writes
// loginuser.kvx. 1 when logged in, -1 when refused or failed (the message shown).
// doubleLoginControl: the 二重ログインを管理する option.
short LoginAccount(const QString& loginId, const QString& password, bool doubleLoginControl,
                   LoginFocus* focus);

