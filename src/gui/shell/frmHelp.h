#pragma once

#include <QUrl>
#include <QWidget>

class QTextBrowser;
class QToolButton;

// The program's help viewer: the help pages beside the program, with contents, back and forward.
class frmHelp final : public QWidget
{
    Q_OBJECT

public:
    explicit frmHelp(QWidget* parent = nullptr);

    // Shows the page at contents and makes it the page that "Contents" returns to.
    void showContents(const QString& contents);

    QTextBrowser* helpBrowser = nullptr;
    QToolButton* cmdContents = nullptr;
    QToolButton* cmdBack = nullptr;
    QToolButton* cmdForward = nullptr;

private:
    void helpBrowser_AnchorClicked(const QUrl& link);
    void showMissing(const QString& path);

    QUrl m_contents;
};
