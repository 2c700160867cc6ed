// The setup's application object: the whole run happens in InitInstance.
#pragma once

#include "framework/afx_app.h"

class SetupApp : public CWinApp {
  public:
    // Always FALSE: the setup never runs a message loop of its own.
    BOOL InitInstance() override;
};
