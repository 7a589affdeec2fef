#pragma once

class QWidget;

// The first-time setup of a new installation, driven one page at a time: each page closes
// and tells which page comes next, and this loop shows that page (no page opens another).
// The introduction window comes first. True when the final page saved the setup.
bool runFirstTimeSetup(QWidget* parent);
