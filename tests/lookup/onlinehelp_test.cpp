#include "installation.h"
#include "lookup/onlinehelp.h"
#include "state/state.h"

TEST(OnlineHelp, AddressQueryAndRefusals)
{
    TestInstallation inst;
    vOpenOnlineHelp(1);
    inst.expectLastBox("環境ファイルの取得に失敗しました。", "データ参照エラー", platform::MsgIcon::Critical);
    inst.writeFile("Mirane.ver", "[OnlineHelp]\r\nADDRESS=HTTP://help.example.jp/\r\n");
    vOpenOnlineHelp(1);
    inst.expectLastBox("オンラインヘルプは現在ご利用いただけません。", "機能制限中",
                       platform::MsgIcon::Exclamation);

    const QString page = "http://help.example.jp/index.html";
    inst.writeFile("Mirane.ver", "[OnlineHelp]\r\nADDRESS=" + page + "\r\n");
    vOpenOnlineHelp(3); // no QmapUser.ini: no query
    // Items end at commas and line ends; a later item overrides an earlier one.
    inst.writeFile("QmapUser.ini", "ZENRIN_USER=x,ZENRIN_PWD=pw9\r\nZENRIN_USER=abc123\r\nUSER_CODE=77\r\n");
    vOpenOnlineHelp(12);
    vOpenOnlineHelp(0);
    vOpenOnlineHelp(-3);
    const QString account = page + "?zi=321cba&zp=9wp";
    EXPECT_EQ(inst.processes.opened,
              QStringList({page, account + "&lk=12", account + "&lk=1", account + "&lk=1"}));
    EXPECT_EQ(state().gsHelpAddress, account + "&lk=1"); // never appended twice
    EXPECT_EQ(inst.messages.shown.size(), 2u);
}
