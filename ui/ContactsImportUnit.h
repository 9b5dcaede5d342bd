#pragma once
// The settings and import page behind the main window's tab "Настройки": the server list, the
// account and the three agent options, saved to the registry, and the contact import, whose end
// merges the imported contacts into the stored folder files. It owns the import worker and a
// new-message checker of its own behind a hidden button, and tells its host about starts, ends
// and saves through three events.
//
// A file that cannot be read stays as it is: an unreadable "AgentServers.xml" is reported once, and
// adding or deleting a server then changes nothing; at the import's end a folder whose file cannot
// be read is neither merged nor saved. The end is always reported and the buttons always come back;
// after a folder that was not merged or saved the worker shows no completion box.
#include <QPointer>
#include <functional>
#include <memory>
#include <string>

#include "platform/Events.h"
#include "platform/gui/Forms.h"

namespace Ui {
class frmImport;
}
class TGroupBox;
class TEdit;
class TSpeedButton;
class TCheckListBox;
class TLabel;
class TCheckBox;
class TProgressBar;
class TPanel;
class TGradientButton;
class TBraskSettings;
class TContactsImportClass;
class TCheckMessagesClass;
class TXMLTableIndex;
class TFriend;

class TfrmImport : public TCustomForm {
    Q_OBJECT
public:
    static const char* const LoginFailedText;
    static const char* const LockedText;

    explicit TfrmImport(QWidget* owner = nullptr);
    ~TfrmImport() override;
    std::string ClassName() const override { return "TfrmImport"; }

    TGroupBox* gbServer;
    TEdit* edServer;
    TSpeedButton* sbAddServer;
    TSpeedButton* sbDeleteServer;
    TCheckListBox* cblServer;
    TLabel* lbLogin;
    TEdit* edLogin;
    TLabel* lbPassword;
    TEdit* edPassword;
    TCheckBox* cbOnLineScan;
    TCheckBox* cbMessageScan;
    TCheckBox* cbRegCode;
    TGradientButton* btnMsg;
    TPanel* pnButtons;
    TGradientButton* btnSaveSettings;
    TGradientButton* btnImport;
    TProgressBar* ProgressBar;

    int FolderCount = 2;
    std::unique_ptr<TXMLTableIndex> ServerIndex;
    std::unique_ptr<TContactsImportClass> ContactsImport;
    std::unique_ptr<TCheckMessagesClass> CheckMessages;

    TNotifyEvent OnSettingsSaved;
    TNotifyEvent OnImportStart;
    TNotifyEvent OnImportEnd;

    // The host window's minimum width, for the button layout (0 until the host hands it over).
    int MainFormMinWidth() const { return minWidth_; }
    void SetMainFormMinWidth(int value);

    // True from an import's (or the page check's) start until its end.
    bool ImportRunning() const { return running_; }
    // False while "AgentServers.xml" could not be read.
    bool ServersReadable() const { return serversReadable_; }

    void RefreshServerList(const std::string& Name);

    void FormCreate();
    void FormDestroy();
    void FormResize();
    void sbAddServerClick();
    void sbDeleteServerClick();
    void btnImportClick();
    void btnImportMouseMove();
    void btnMsgClick();
    void btnSaveSettingsClick();
    void cblServerClickCheck();
    void SettingsChenged();
    void ContactsImportComplete();
    void ContactsImportProgress(TObject* State);
    void CheckMessagesComplete();

protected:
    void resizeEvent(QResizeEvent* event) override;

private:
    // Loads the server list; false (and the error shown) when the file cannot be read.
    bool LoadServers();
    // True while the server file reads; otherwise reads it again, shows the list it now holds
    // (or the error) and answers false, so the pending add or delete changes nothing.
    bool ServersReadableNow();
    void SaveServers();
    void EnableRunButtons();
    void RunEnded();
    // Marks the run started and logs in; a failed login is told and ends the run. True when
    // logged in.
    bool StartRun(const std::function<bool(TBraskSettings& settings)>& login);
    void PlaceControls();

    std::unique_ptr<Ui::frmImport> ui_;
    int minWidth_ = 0;
    bool running_ = false;
    bool serversReadable_ = true;
};

// The error box for a data file that could not be read and is left unchanged.
void ShowUnreadableFile(const std::string& fileName, const std::string& error);
