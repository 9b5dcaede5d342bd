#pragma once
// The contacts page: three folders, each a folder bar over a pane with the folder's card list,
// shown as an accordion with one folder open. Registered by class name; the main window creates
// it by name and embeds it.
#include <array>
#include <string>
#include <string_view>

#include "platform/Events.h"
#include "platform/gui/ExtCtrls.h"
#include "platform/gui/Forms.h"
#include "storage/clFriend.h"
#include "ui/ChatPersonListControl.h"
#include "ui/EmbeddedForms.h"
#include "ui/FolderButtonControl.h"

namespace Ui {
class frmChatForm;
}

class TfrmChatForm : public TCustomForm, public TEmbeddingHost {
    Q_OBJECT
public:
    // Builds everything (FormCreate): adds the three folders to dmFriend.Folders, loads their
    // files and builds their lists, then opens folder 0.
    explicit TfrmChatForm(QWidget* owner = nullptr);
    ~TfrmChatForm() override;
    std::string ClassName() const override { return "TfrmChatForm"; }

    TFolderButton* fbCommonFriends;
    TPanel* pnCommonFriends;
    TFolderButton* fbFavoriteFriends;
    TPanel* pnFavoriteFriends;
    TFolderButton* fbFriends;
    TPanel* pnFriends;

    TNotifyEvent OnBeginPersonClick;
    TNotifyEvent OnEndPersonClick;
    TNotifyEvent OnLoadPersonPhoto;

    // The card list of folder 0, 1 or 2 (null when it could not be created).
    TChatPersonList* PersonList(int folder) const;

    void fbCommonFriendsClick(TObject* Sender);
    void fbFavoriteFriendsClick(TObject* Sender);
    void fbFriendsClick(TObject* Sender);
    // 0 marks the cards with that address absent, 1 on the site; anything else changes nothing.
    void SetPersonState(std::string_view URL, int state);
    // Empties folders 0 and 1: their cards, their tables and their files.
    void ClearFavorites();
    void ReloadLists();
    // Opens a card's profile page in the browser; only http and https addresses are opened.
    void OpenQuestionnaire(TObject* Sender);
    void SaveFolder(TXMLTable* Sender);

private:
    void FormCreate();
    void OpenFolder(int folder);
    void LoadFolder(TFriend* table);

    Ui::frmChatForm* ui_;
    std::array<TChatPersonList*, 3> lists_{};
    std::array<TFolderButton*, 3> bars_{};
    std::array<TPanel*, 3> panes_{};
};

// True for an absolute http:// or https:// address (the scheme in any letter case).
bool IsWebAddress(std::string_view address);
