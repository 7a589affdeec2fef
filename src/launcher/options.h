#pragma once

// The five options of the launcher's settings menu, kept in Topmenu.ini (section
// トップメニュー). The window's menu check marks show them.
struct LauncherOptions {
    bool mnUser = false;        // 接続先ユーザーを保持する
    bool mnAcc = false;         // アカウント名を表示させない
    bool mnSmartMenu = false;   // メニューGUI: text-list view
    bool mnDouble = false;      // 二重ログインを管理する
    bool mnBackUpCheck = true;  // バックアップの確認を行う (stored inverted)
};

// Reads Topmenu.ini into *options. False, leaving *options as it is, when the file is
// missing.
bool vLoadOptions(LauncherOptions* options);
// Writes the five keys in order. Missing file: writes nothing. A write reporting -1 shows
// "Error:" + the INI object's text and stops.
void vSaveOptions(const LauncherOptions& options);
