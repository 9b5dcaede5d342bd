#pragma once
// What the interface benchmarks share: the process's CPU time and heap in use, and program folders
// holding "CommonFriends.xml" with n contacts.
#include <malloc.h>
#include <sys/resource.h>

#include <QDir>
#include <QEvent>
#include <QObject>
#include <QTemporaryDir>
#include <QWidget>
#include <string>

#include "platform/ProgramDir.h"
#include "storage/clFriend.h"

namespace uibench {

// User + system time.
inline double CpuSeconds() {
    rusage u{};
    getrusage(RUSAGE_SELF, &u);
    return u.ru_utime.tv_sec + u.ru_utime.tv_usec / 1e6 + u.ru_stime.tv_sec + u.ru_stime.tv_usec / 1e6;
}

// malloc's bytes in use.
inline double HeapBytes() { return static_cast<double>(mallinfo2().uordblks); }

inline QTemporaryDir& Dir() {
    static QTemporaryDir dir;
    return dir;
}

inline std::string Url(int i) { return "http://www.velmora.example/user" + std::to_string(i) + "/"; }

// A program folder holding only CommonFriends.xml with n contacts (login "user<i>", address
// Url(i)), written once per size.
inline std::string FolderFor(int n) {
    const std::string folder = Dir().path().toStdString() + "/n" + std::to_string(n) + "/";
    if (QDir(QString::fromStdString(folder)).exists()) return folder;
    QDir().mkpath(QString::fromStdString(folder));
    SetProgramDirectory(folder);
    TFriend t;
    t.FileName = "CommonFriends.xml";
    for (int i = 0; i < n; ++i)
        t.AddFriend("User " + std::to_string(i), "user" + std::to_string(i), Url(i), "Area " + std::to_string(i % 97),
                    18 + i % 50, i % 2, i % 9, i % 3 == 0, i % 7 == 0, "");
    if (n == 0) t.AppendRecordNode(), t.ClearRecords();
    t.Save();
    return folder;
}

// Notes the first paint of the widget it filters; filtering the application, the first paint of
// `within` or of a widget inside it (a pane covered by its children gets no paint of its own).
class PaintWatch : public QObject {
public:
    explicit PaintWatch(QWidget* within = nullptr) : within_(within) {}
    bool painted = false;
    bool eventFilter(QObject* o, QEvent* e) override {
        if (e->type() == QEvent::Paint && (!within_ || o == within_ || within_->isAncestorOf(qobject_cast<QWidget*>(o))))
            painted = true;
        return false;
    }

private:
    QWidget* within_;
};

}  // namespace uibench
