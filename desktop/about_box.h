#pragma once
#include <QDialog>
#include <QUrl>
#include <functional>

class QLabel;
class QPushButton;
class QFrame;

namespace ombrel {

// The About box: program name and version, copyright, a mail link and a web link.
class TForm3 : public QDialog {
    Q_OBJECT
public:
    static const char* const MailAddress;
    static const char* const WebHost;
    static const char* const Copyright;

    explicit TForm3(QWidget* parent = nullptr);

    QFrame* Bevel1;
    QPushButton* Button1;
    QFrame* Panel1;
    QLabel* Label1;
    QLabel* Label2;
    QLabel* Label3;
    QLabel* Label5;
    QLabel* Image1;
    QLabel* Label4;
    QLabel* Label6;
    QPushButton* Button2;

    // Hands a link to the desktop's mail program or browser; returns at once, failures pass silently.
    std::function<bool(const QUrl&)> OpenUrl;

    void Button1Click();
    void Label4Click();
    void Label6Click();

protected:
    void showEvent(QShowEvent* e) override;
    bool eventFilter(QObject* watched, QEvent* e) override;
};

}  // namespace ombrel
