#pragma once

#include <QString>
#include <QStringList>
#include <array>
#include <vector>

// One database environment of DB.ini.
struct tDbEntry {
    QString displayName;
    QString server;
    QString database;
    // The line of DB.ini the entry was read from (1-based), for messages about it.
    int sourceLine = 0;
};

// The logged-in account.
struct tLoginUser {
    short kyotenCd = 0;
    short kyotenEb = 0;
    QString LoginId;
    QString LoginPass;
    QString Name;
    QString NameKana;
    QString AreaWord;
    short AccessLevel = 0;
    QString AccessName;
    QString AccessJobNo;
    short Kubun = 0;
    QString MakeDate = QStringLiteral("0");
    QString LoginDate = QStringLiteral("0");
};

// One KYOTEN row: the eleven columns in table order.
struct tKyoten {
    short iKyotenCd = 0;
    short iKyotenEb = 0;
    short iType = 0;
    QString cAreaName;
    QString cKyotenName;
    QString cComment;
    short iLoginID = 0;
    QString cLoginPass;
    short iAdminID = 0;
    QString cAdminPass;
    short iUsedFlg = 0;
};

// One entry of the launcher's area table.
struct tArea {
    QString name;
    short status = 0;
};

// One entry of the setup wizard's practitioner or user list.
struct tSetupEntry {
    double ID = 0;
    QString name;
};

// The setup wizard's working data until its final page saves it.
struct tSetupData {
    std::vector<tSetupEntry> staff;
    qint32 staffCount = 0;
    std::vector<tSetupEntry> users;
    qint32 userCount = 0;
    QString companyName;
    QString representative;
    QString postalCode;
    QString address;
    QString addressKana;
    qint32 latitude = 0;
    qint32 longitude = 0;
    QString tel;
    QString fax;
    // The operating rules, in the order the wizard asks them.
    short iHenkei = 0;
    short holidayRule = 0;
    short iReseptFixedMonth = 0;
    short iReseptFixedDay = 0;
    short iChargeFixedMonth = 0;
    short iChargeFixedDay = 0;
    short iConsentFixedMonth = 0;
    short iConsentFixedDay = 0;
    short receiptFormatMode = 0;
    short receiptFormat = 0;
    short recordKeeping = 0;
};

// The process-wide state the windows share. One instance; tests reset it.
struct State {
    // Launcher state.
    std::vector<tDbEntry> gtDbList;
    short giDbCount = 0;
    short giSelKyotenCd = 0;
    tLoginUser gtLoginUser;
    tKyoten gtKyoten;
    std::vector<tKyoten> gtKyotenList;
    short giKyotenCount = 0;
    QString gsMapKeyStatus;
    short giProductType = 0;
    bool gbMenuCancel = false;
    short giSetupMode = -1;
    short giDialogResult = 0;
    short giCautionResult = 0;
    std::array<tArea, 51> gtAreaList{};
    tSetupData gtSetupData;
    // Help address of the last help request.
    QString gsHelpAddress;
    // Record base key of the parking records; nothing in TopMenu assigns it.
    short giRecKyotenCd = 0;
    short giRecKyotenEb = 0;
    // Map hand-off values: the caller sets the mode and the address, the map screen leaves
    // the chosen position (milliseconds of arc) and whether the user registered it.
    short giMapMode = 0;
    QString gsMapAddress;
    qint32 gnMapResultLat = 0;
    qint32 gnMapResultLon = 0;
    short giMapRegist = 0;
    // The base being set up; the map leaves it out of the neighbouring bases.
    short giSetupKyotenCd = 0;
    short giSetupKyotenEb = 0;
};

State& state();
// Back to the state of a new process.
void resetState();

// The 47 prefecture names by national prefecture code (index 1 to 47; index 0 empty).
const std::array<QString, 48>& gsPrefName();
// The region (地方) of a prefecture by its code ("関東地方" for 13); empty outside 1 to 47.
QString prefectureRegion(int code);

// Base id: code and branch, each with at least two digits (1, 2 gives "0102").
QString baseId(int kyotenCd, int kyotenEb);
