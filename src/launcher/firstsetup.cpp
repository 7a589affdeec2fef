#include "launcher/firstsetup.h"

#include "setup/setuppages.h"
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
