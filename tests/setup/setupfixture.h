#pragma once

#include "installation.h"
#include "state/state.h"

// A program folder with the suite's database, adodb.ini, Massage.ini and one base (北海道
// 1, branch 1) made as the base creation page makes it; gtKyoten is that base.
struct SetupInstallation : TestInstallation {
    SetupInstallation()
    {
        createDatabase();
        writeAdodbIni();
        writeFile("Massage.ini", "[PATH]\r\nSYSTEM_SYS=\\SYS\r\nSYSTEM_TMP=\\TMP\r\nSYSTEM_DATA=\\DATA\r\n");
        writeFile("Massage0101.ini", "[環境]\r\n環境名=札幌\r\n[PATH]\r\nSYSTEM_DATA=\\DATA\\Data0101\r\n");
        writeFile("DATA/Data0101/帳票Format.ini", "[全施術者予定表]\r\n");
        exec("INSERT INTO KYOTEN VALUES (1, 1, 0, '北海道', '札幌', '', 0, '', 0, '', 1)");
        state().gtKyoten = {.iKyotenCd = 1, .iKyotenEb = 1, .cAreaName = "北海道", .cKyotenName = "札幌"};
        state().gtSetupData.companyName = "札幌";
    }
    int count(const QString& table) const
    {
        return scalar("SELECT COUNT(*) FROM " + table + " WHERE iKyotenCd = 1 AND iKyotenEb = 1").toInt();
    }
};
