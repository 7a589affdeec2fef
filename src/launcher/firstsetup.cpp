#include "launcher/firstsetup.h"

#include "bases/frmFirstLogin.h"
#include "state/state.h"

bool runFirstTimeSetup(QWidget* parent)
{
    state().giSetupMode = 0;
    enum class Page { CreateBase, Finished, Abandoned };
    Page page = Page::CreateBase;
    while (page == Page::CreateBase) {
        frmFirstLogin creation(parent);
        creation.exec();
        switch (creation.nextPage()) {
        case frmFirstLogin::Next::OperatingRulesPage:
            // The operating-rules page and the rest of the wizard follow here once they exist;
            // until then the setup ends with the base made.
            page = Page::Finished;
            break;
        case frmFirstLogin::Next::IntroPage:
        case frmFirstLogin::Next::None:
            // Without the intro page, going back (or closing the window) ends the setup.
            page = Page::Abandoned;
            break;
        }
    }
    return page == Page::Finished;
}
