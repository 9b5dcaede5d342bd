#include "ui/Initialise.h"

#include "resources/Resources.h"
#include "ui/ChatFormUnit.h"
#include "ui/ChatPersonListControl.h"
#include "ui/ContactsImportUnit.h"
#include "ui/dlMessages.h"

namespace ui {

void initialise() {
    InitialiseResources();
    // The shared message box comes first: every later unit may need to ask or tell.
    if (!dlgMessages) dlgMessages = new TdlgMessages();
    // The pages created by name.
    TPageRegistry& pages = TPageRegistry::Global();
    pages.RegisterClass<TChatPersonList>("TChatPersonList");
    pages.RegisterClass<TfrmChatForm>("TfrmChatForm");
    pages.RegisterClass<TfrmImport>("TfrmImport");
}

void finalise() {
    delete dlgMessages;
    dlgMessages = nullptr;
}

}  // namespace ui
