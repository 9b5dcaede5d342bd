#include "ui/ChatFormUnit.h"

#include "platform/CpLiteral.h"
#include "platform/Strings.h"
#include "platform/gui/Shell.h"
#include "storage/DataModuleUnit.h"
#include "ui/FileReadErrors.h"
#include "ui/ui_ChatFormUnit.h"

bool IsWebAddress(std::string_view address) {
    for (std::string_view scheme : {std::string_view("http://"), std::string_view("https://")})
        if (address.size() > scheme.size() && SameText(address.substr(0, scheme.size()), scheme)) return true;
    return false;
}

TfrmChatForm::TfrmChatForm(QWidget* owner) : TCustomForm(owner), TEmbeddingHost(this), ui_(new Ui::frmChatForm) {
    ui_->setupUi(this);
    fbCommonFriends = ui_->fbCommonFriends;
    pnCommonFriends = ui_->pnCommonFriends;
    fbFavoriteFriends = ui_->fbFavoriteFriends;
    pnFavoriteFriends = ui_->pnFavoriteFriends;
    fbFriends = ui_->fbFriends;
    pnFriends = ui_->pnFriends;
    bars_ = {fbCommonFriends, fbFavoriteFriends, fbFriends};
    panes_ = {pnCommonFriends, pnFavoriteFriends, pnFriends};
    for (int k = 0; k < 3; ++k) {
        ::SetAlign(bars_[k], alTop);
        ::SetAlign(panes_[k], alTop);
        panes_[k]->SetBevelOuter(bvNone);
    }
    fbCommonFriends->OnClick = [this](TObject* s) { fbCommonFriendsClick(s); };
    fbFavoriteFriends->OnClick = [this](TObject* s) { fbFavoriteFriendsClick(s); };
    fbFriends->OnClick = [this](TObject* s) { fbFriendsClick(s); };
    FormCreate();
}

TfrmChatForm::~TfrmChatForm() { delete ui_; }

TChatPersonList* TfrmChatForm::PersonList(int folder) const {
    return folder >= 0 && folder < 3 ? lists_[static_cast<size_t>(folder)] : nullptr;
}

void TfrmChatForm::FormCreate() {
    SetColor(QColor(212, 208, 200));
    TFriendFolderList* folders = dmFriend->Folders.get();
    folders->AddFolder("0", "CommonFriends", u8"Общая папка"_cp);
    folders->AddFolder("1", "FaforiteFriends", u8"Избранные пользователи"_cp);
    folders->AddFolder("2", "Friends", u8"Найденные пользователи"_cp);
    for (int k = 0; k < 3; ++k) {
        auto* list = dynamic_cast<TChatPersonList*>(CreateEmbeddedForm(panes_[k], "TChatPersonList"));
        lists_[k] = list;
        TFriend* table = folders->GetFolderTable(k);
        if (!list || !table) continue;
        list->Friend = table;
        LoadFolder(table);
        if (k == 2) list->BasketVisible = false;
        list->LoadPersons(-1);
        list->OnBeginPersonClick = [this](TObject* s) {
            if (OnBeginPersonClick) OnBeginPersonClick(s);
        };
        list->OnEndPersonClick = [this](TObject* s) {
            if (OnEndPersonClick) OnEndPersonClick(s);
        };
        list->OnLoadPersonPhoto = [this](TObject* s) {
            if (OnLoadPersonPhoto) OnLoadPersonPhoto(s);
        };
        list->OnQuestionnaireClick = [this](TObject* s) { OpenQuestionnaire(s); };
        if (k < 2) list->OnSaveChanges = [this](TXMLTable* t) { SaveFolder(t); };
    }
    for (TPanel* pane : panes_) pane->hide();
    fbCommonFriendsClick(fbCommonFriends);
}

void TfrmChatForm::LoadFolder(TFriend* table) {
    // A file that cannot be read leaves its folder empty and is told to the user; the table keeps
    // no document, so nothing the user did not ask for writes over the file.
    try {
        table->Load();
    } catch (const Exception& e) {
        ReportFileReadError(table->FileName, e.Message());
    }
}

void TfrmChatForm::OpenFolder(int folder) {
    // [bars above], [open pane], [bars below], in folder order.
    for (int k = 0; k < 3; ++k) {
        TFolderButton* bar = bars_[k];
        if (k <= folder) {
            bar->move(bar->x(), k);
            ::SetAlign(bar, alTop);
        } else {
            bar->move(bar->x(), 100000 + k * 100);
            ::SetAlign(bar, alBottom);
        }
        bar->SetFolderButtonStyle(k == folder ? TFolderButtonStyle::bsSelected : TFolderButtonStyle::bsNone);
        if (k != folder) panes_[k]->hide();
    }
    ::SetAlign(panes_[folder], alClient);
    panes_[folder]->show();
    Realign(this);
}

void TfrmChatForm::fbCommonFriendsClick(TObject*) { OpenFolder(0); }
void TfrmChatForm::fbFavoriteFriendsClick(TObject*) { OpenFolder(1); }
void TfrmChatForm::fbFriendsClick(TObject*) { OpenFolder(2); }

void TfrmChatForm::SetPersonState(std::string_view URL, int state) {
    if (state != 0 && state != 1) return;
    for (TChatPersonList* list : lists_) {
        if (!list) continue;
        if (TChatPerson* card = list->FindPersonByURL(URL)) card->SetPersonState(state == 1 ? psConnected : psAbsent);
    }
}

void TfrmChatForm::ClearFavorites() {
    for (int k = 0; k < 2; ++k) {
        TFriend* table = dmFriend->Folders->GetFolderTable(k);
        if (lists_[k]) lists_[k]->ClearPersons();
        if (!table) continue;
        // A table whose file could not be read holds no document: it gets its empty root first.
        if (!table->RecordNodes()) table->AppendRecordNode();
        table->ClearRecords();
        table->Save();
    }
}

void TfrmChatForm::ReloadLists() {
    for (TChatPersonList* list : lists_)
        if (list) list->LoadPersons(-1);
}

void TfrmChatForm::OpenQuestionnaire(TObject* Sender) {
    auto* card = dynamic_cast<TChatPerson*>(Sender);
    if (!card) return;
    // Stored addresses come from files another program writes: only web pages go to the browser.
    if (IsWebAddress(card->URL())) ShellOpen(card->URL());
}

void TfrmChatForm::SaveFolder(TXMLTable* Sender) {
    if (auto* table = dynamic_cast<TFriend*>(Sender)) table->Save();
}
