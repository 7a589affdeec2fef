#pragma once

#include <QString>

struct tLoginUser;

enum class LaunchSource { IconList, TextList, PopupMenu };

// Access check on the user's area word for a base id, with its messages
// ("アクセス権限設定エラー", "アクセス不可"). True when the base may be opened.
bool checkAreaAccess(const tLoginUser& user, const QString& baseId);

// Hands the base of state().gtKyoten over to Main.exe: access check, Massage<id>.ini
// copied over Massage.ini, the five hand-off keys, AreaSelect.ini, Main.exe started
// (11 and 69; the pop-up passes 11 only). position: 1-based position of the selected icon
// (0 from the text list); dbIndex: the selected database entry. True when Main.exe was
// started: the caller then ends the launcher at once. False after the message of the step
// that failed. A record that holds no base (branch 0, as after selKyotenClr) shows
// "拠点のメニューが起動できません。" / "選択エラー".
bool launchKyoten(LaunchSource source, short position, short dbIndex);

// command + " " + number / command + " " + first + " " + second, started normally with
// focus, without waiting.
void vShellWithArg(const QString& command, short number);
void vShellWithArgs(const QString& command, short first, short second);
