#include "launcher/firstsetup.h"

#include "bases/kyoten.h"
#include "platform/messagebox.h"
#include "setup/setupjournal.h"
#include "setup/setuppages.h"
#include "setup/setupsave.h"
#include "state/state.h"

bool runFirstTimeSetup(QWidget* parent)
{
    {
        frmFirstView intro(parent);
        intro.exec();
    }
    state().giSetupMode = 0;
    state().giDialogResult = 0;
    // Intro page, base creation, operating rules, corporation, practitioners, users and the
    // final page; each page names the next, going back included.
    SetupPage page = SetupPage::Intro;
    while (page != SetupPage::Done && page != SetupPage::None)
        page = showSetupPage(page, parent);
    return page == SetupPage::Done && state().giDialogResult == 1;
}

void offerToFinishSetup()
{
    tSetupJournal journal;
    if (!readSetupJournal(&journal) || setupSaveRunning())
        return;
    const int found = iKyotenCheck(journal.base.iKyotenCd, journal.base.iKyotenEb);
    if (found < 0)
        return;
    if (found == 0) {
        removeSetupJournal();
        return;
    }
    const QString crLf = QStringLiteral("\r\n");
    if (platform::msgBox(QStringLiteral("前回の初期データ設定の保存が完了していません。") + crLf +
                             QStringLiteral("事業所：") + journal.base.cKyotenName + crLf + crLf +
                             QStringLiteral("保存を完了しますか？") + crLf +
                             QStringLiteral("（「いいえ」の場合は次回の起動時にもう一度確認します）"),
                         QStringLiteral("初期データ設定"), platform::MsgIcon::Question,
                         platform::MsgButtons::YesNo) != platform::MsgAnswer::Yes)
        return;
    if (finishSetupSave())
        platform::msgBox(QStringLiteral("初期データ設定の保存が完了しました。"),
                         QStringLiteral("初期データ設定"), platform::MsgIcon::Information,
                         platform::MsgButtons::Ok);
}
