#pragma once

#include <QObject>
#include <QPointer>
#include <functional>
#include <memory>

namespace jaserelle::client {

struct Services;
class ConversationWindows;
class FrmHistory;
class FrmMain;
class HistoryKeeper;

// The history's place in the client: the keeper every conversation window writes to, the three
// entries of the "Options" menu (keep or not, show, delete everything) and the history window.
class HistoryDesk : public QObject
{
    Q_OBJECT

public:
    HistoryDesk(Services &services, FrmMain &main, ConversationWindows &windows, const QString &folder);
    ~HistoryDesk() override;

    HistoryKeeper &keeper() { return *keeper_; }
    FrmHistory &frmHistory();
    void showHistory();
    // Asks first; nothing goes unless the user says yes.
    void deleteEverything();

    // The yes-or-no question before deleting; a message box unless a test says otherwise.
    std::function<bool(const QString &question)> confirm;

private:
    Services &services_;
    std::unique_ptr<HistoryKeeper> keeper_;
    QPointer<FrmMain> main_;
    std::unique_ptr<FrmHistory> window_;
};

std::unique_ptr<HistoryDesk> installHistory(Services &services, FrmMain &main, ConversationWindows &windows,
                                            const QString &folder);

} // namespace jaserelle::client
