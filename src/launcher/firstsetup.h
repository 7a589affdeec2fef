#pragma once

class QWidget;

// The first-time setup of a new installation, driven one page at a time: each page closes
// and tells which page comes next, and this loop shows that page (no page opens another).
// The introduction window comes first. True when the final page saved the setup.
bool runFirstTimeSetup(QWidget* parent);

// At start-up: a first-time setup whose save did not end (the launcher was killed, or the
// wizard was left after a failed step) is told to the user, who may have it finished now;
// otherwise the next start asks again. A record whose base no longer exists is dropped.
void offerToFinishSetup();
