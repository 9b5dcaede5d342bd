#pragma once
// The program's window: the contacts and settings pages as two tabs, the image downloader for
// card photos, the on-site scanner, the main new-message checker and its 90-second timer, and the
// status bar. It decides when the on-site scan runs, pauses, resumes and stops: presses that reach
// the window itself, resizing, tab changes, the about box, the exit question and card clicks pause
// it, and their end resumes it.
//
// The selection that "Удалить контакт" acts on never outlives its card: it is forgotten when the
// lists are rebuilt or cleared and when its card goes (deleted, hidden or freed). A page that could
// not be created leaves its tab empty; every use of it is checked.
#include <QPointer>
#include <memory>
#include <string>

#include "platform/gui/Forms.h"
#include "ui/EmbeddedForms.h"

namespace Ui {
class frmMain;
}
class TPanel;
class TChatTabPage;
class TStatusBar;
class TTimer;
class TAction;
class TActionList;
class TActionMainMenuBar;
class TOwnInputEvents;
class TOnLineFriends;
class TCheckMessagesClass;
class TImageLoader;
class TfrmImport;
class TChatPerson;
class TfrmChatForm;

class TfrmMain : public TCustomForm, public TEmbeddingHost {
    Q_OBJECT
public:
    static constexpr int MinWidth = 308;
    // Room for the menu, the tabs, the status bar and some of a page: lower, the bars overlap.
    static constexpr int MinHeight = 200;

    explicit TfrmMain(QWidget* owner = nullptr);
    ~TfrmMain() override;
    std::string ClassName() const override { return "TfrmMain"; }

    TActionMainMenuBar* ActionMainMenuBar;
    TActionList* ActionManager;
    TAction *acFiles, *acImport, *acDeleteRecord, *acClearFavorites, *acExit, *acHelp, *acAbout, *acFavorites,
        *acSettings, *acAdition;
    TPanel* pnTabs;
    TChatTabPage* tpFavorites;
    TChatTabPage* tpImport;
    TPanel* pnTabBody;
    TPanel* pnTabPersonList;
    TPanel* pnTabImport;
    TPanel* pnBottomBorder;
    TStatusBar* StatusBar;
    TTimer* TimerCheckMessage;

    std::unique_ptr<TOnLineFriends> OnLineFriends;
    std::unique_ptr<TCheckMessagesClass> CheckMessages;
    TfrmChatForm* ChatForm = nullptr;
    TfrmImport* ImportForm = nullptr;
    std::unique_ptr<TImageLoader> PhotoLoader;
    // The expanded card "Удалить контакт" acts on, null when none (or when its card has gone).
    TChatPerson* SelectedPerson() const;

    std::string StatusText() const;

    void FormCreate();
    void FormDestroy();
    bool FormCloseQuery();
    void SelectTab(QObject* Sender);
    void StartOnlineScan();
    void PauseOnlineScan();
    void ResumeOnlineScan();
    void StopOnlineScan();
    void CheckMessageTimer();
    void CheckMessagesComplete();
    void OnLineFriendsStatus(const std::string& URL, int Status);
    void LoadPersonPhoto(TObject* Sender);
    void BeginPersonClick(TObject* Sender);
    void EndPersonClick(TObject* Sender);
    void ImportStarted();
    void ImportEnded();
    void SettingsSaved();
    void acAboutExecute();
    void acExitExecute();
    void acClearFavoritesExecute();
    void acDeleteRecordExecute();

protected:
    void resizeEvent(QResizeEvent* event) override;
    bool eventFilter(QObject* watched, QEvent* event) override;

private:
    void CreateActions();
    void SetStatus(std::string_view text);
    void SetSelection(TChatPerson* card);
    void ForgetSelection();
    // The card list of folder k on the contacts page, or null.
    class TChatPersonList* PersonList(int k) const;
    int OnLineScanSetting() const;

    std::unique_ptr<Ui::frmMain> ui_;
    TOwnInputEvents* ownInput_ = nullptr;
    QPointer<QWidget> selected_;  // a TChatPerson
    bool created_ = false;
};

extern TfrmMain* frmMain;

// The format a photo address is fetched as: "GIF" when ".gif" occurs in the lower-cased address
// and its first occurrence ends it, else "JPEG".
std::string PhotoFormat(const std::string& url);
