#pragma once
// The system clipboard behind the graphics layer's clipboard interface, and the hooks that tie
// worker threads and waiting code to Qt's event loop. InitialiseGui installs them.
#include <memory>

#include "platform/graphics/Clipboard.h"

// "GIF Image" travels as the MIME type "image/gif", the bitmap format as an image, any other
// registered format under a MIME type of its own.
class TQtClipboard : public TClipboardBackend {
public:
    HCLIPDATA GetData(unsigned format) override;
    bool SetData(unsigned format, HCLIPDATA data) override;
    void Empty() override;
};

// Sets the wake-up of the main thread (a queued call that runs CheckSynchronize), the message
// pump (runs Qt's waiting events; "stop" once the application is quitting) and the Qt clipboard.
void InstallGuiThreadHooks();
// Takes them out again (back to the in-memory clipboard).
void RemoveGuiThreadHooks();
