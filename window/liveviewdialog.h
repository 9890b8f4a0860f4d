// SPDX-License-Identifier: MIT
// 手机查看: the live page turned on and off from the window, with the address to open on a
// phone, its QR code, the machine's addresses to choose from and how many phones are watching.
#pragma once

#include <QDialog>
#include <QHostAddress>
#include <QImage>
#include <QList>

class LiveServer;
class QComboBox;
class QLabel;
class QLineEdit;
class QPushButton;
class QSpinBox;

class LiveViewDialog : public QDialog
{
    Q_OBJECT

public:
    static constexpr quint16 kDefaultPort = 8765;

    // The server is the window's; the dialog turns it on and off and shows what it does.
    explicit LiveViewDialog(LiveServer *server, QWidget *parent = nullptr);

    // The addresses a phone can reach this machine at: those of the interfaces that are up,
    // IPv4 first, then this machine alone (127.0.0.1).
    static QList<QHostAddress> interfaceAddresses();

private:
    void toggle();
    void showState();

    LiveServer *m_server;
    QComboBox *m_address;
    QSpinBox *m_port;
    QPushButton *m_switch;
    QLineEdit *m_url;
    QLabel *m_code;
    QLabel *m_viewers;
    QLabel *m_error;
};

// The QR code of `text` (libqrencode, error correction M), each module `moduleSize` pixels, with
// the quiet zone of four modules around it that readers need; a null image when it does not fit.
QImage qrCodeImage(const QByteArray &text, int moduleSize);
