#pragma once

#include <QDate>
#include <QList>
#include <QWidget>

class QLineEdit;
class QListWidget;
class QTextEdit;

namespace jaserelle::client {

class HistoryKeeper;
struct HistoryEntry;

// The kept conversations: members on the left, the days with each below, that day's entries
// shown as the conversation box showed them; or every entry holding the words searched for.
class FrmHistory : public QWidget
{
    Q_OBJECT

public:
    FrmHistory(HistoryKeeper &history, const QString &ownPseudo, QWidget *parent = nullptr);

    // Reads the members again (entries may have been kept or deleted since the last show).
    void refresh();
    void showMember(const QString &member);
    void showDay(const QString &member, QDate day);
    void search(const QString &words);

private:
    void showEntries(const QList<HistoryEntry> &entries, bool withMember, const QString &empty);

    HistoryKeeper &history_;
    QString ownPseudo_;
    QLineEdit *search_;
    QListWidget *members_;
    QListWidget *days_;
    QTextEdit *entries_;
};

} // namespace jaserelle::client
