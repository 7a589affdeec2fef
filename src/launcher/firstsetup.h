#pragma once

class QWidget;

// The first-time setup of a new installation, driven one page at a time: each page closes
// and tells which page comes next, and this loop shows that page (no page opens another).
// Today the chain holds the base creation page; the wizard's other pages join it here.
// True when the setup made the installation's first base.
bool runFirstTimeSetup(QWidget* parent);
