// Dock sites. A dock control holds rows of docked toolbars; a placed dock (TxbBarDockControl) is one a form
// places itself, beside the four edge docks the bars collection makes. Here the classes that name them; their
// rows, docking and layout come with the dock site windows.
#pragma once

#include "platform/vcl/Controls.h"

namespace bars {

class TxbDockControl : public vcl::TCustomControl {
public:
    using vcl::TCustomControl::TCustomControl;
};

class TxbBarDockControl : public TxbDockControl {
public:
    using TxbDockControl::TxbDockControl;
};

} // namespace bars
