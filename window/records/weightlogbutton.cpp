// SPDX-License-Identifier: MIT
// The status bar's "记录" button over the weight log.
#include "weightlogbutton.h"

#include <QDateTime>
#include <QDir>
#include <QFileDialog>
#include <QMessageBox>
#include <QSignalBlocker>
#include <QStandardPaths>

namespace {

QString title()
{
    return WeightLogButton::tr("记录");
}

QString suggestedPath()
{
    QString folder = QStandardPaths::writableLocation(QStandardPaths::DocumentsLocation);
    if (folder.isEmpty() || !QDir(folder).exists())
        folder = QDir::homePath();
    const QString name =
        QStringLiteral("scalecheck-log-%1.csv")
            .arg(QDateTime::currentDateTime().toString(QStringLiteral("yyyyMMdd-HHmmss")));
    return QDir(folder).filePath(name);
}

QString askPath(QWidget *parent, const QString &suggested)
{
    QFileDialog dialog(parent, title(), suggested, WeightLogButton::tr("CSV 文件 (*.csv)"));
    dialog.setAcceptMode(QFileDialog::AcceptSave);
    dialog.setDefaultSuffix(QStringLiteral("csv"));
    // The log appends to a file that is there: nothing is replaced, so nothing to confirm.
    dialog.setOption(QFileDialog::DontConfirmOverwrite);
    dialog.setOption(QFileDialog::HideNameFilterDetails);
    if (dialog.exec() != QDialog::Accepted || dialog.selectedFiles().isEmpty())
        return {};
    return dialog.selectedFiles().constFirst();
}

} // namespace

WeightLogButton::WeightLogButton(QWidget *parent)
    : QToolButton(parent), m_choosePath(askPath), m_autoReading([] { return true; })
{
    setObjectName(QStringLiteral("logButton"));
    setCheckable(true);
    setAutoRaise(true);
    connect(this, &QToolButton::toggled, this, &WeightLogButton::onToggled);
    showState();
}

void WeightLogButton::setPathChooser(PathChooser chooser)
{
    m_choosePath = chooser ? std::move(chooser) : askPath;
}

void WeightLogButton::onToggled(bool on)
{
    if (on)
        start();
    else
        stop();
}

void WeightLogButton::start()
{
    const QString path = m_choosePath(window(), suggestedPath());
    if (path.isEmpty() || !m_log.open(path)) {
        {
            const QSignalBlocker quiet(this);
            setChecked(false);
        }
        showState();
        if (!path.isEmpty()) {
            emit status(WeightLogButton::tr("记录未开始：") + m_log.errorString());
            QMessageBox::warning(window(), title(), m_log.errorString());
        }
        return;
    }
    showState();
    const QString where = QDir::toNativeSeparators(path);
    emit confirmed(
        m_autoReading()
            ? WeightLogButton::tr("开始记录毛重：%1").arg(where)
            : WeightLogButton::tr("开始记录毛重：%1；自动读取未开启，只记录读到的毛重").arg(where),
        path);
}

void WeightLogButton::stop()
{
    if (!m_log.isOpen())
        return;
    m_log.close();
    showState();
    emit confirmed(WeightLogButton::tr("记录已停止：%1 行，%2")
                       .arg(m_log.lineCount())
                       .arg(QDir::toNativeSeparators(m_log.path())),
                   m_log.path());
}

void WeightLogButton::addReading(const WeightReading &reading)
{
    if (m_log.isOpen() && !m_log.append(QDateTime::currentDateTimeUtc(), reading))
        failed();
}

void WeightLogButton::failed()
{
    {
        const QSignalBlocker quiet(this);
        setChecked(false);
    }
    showState();
    emit status(WeightLogButton::tr("记录已停止：") + m_log.errorString());
    QMessageBox::warning(window(), title(),
                         WeightLogButton::tr("记录已停止。\n") + m_log.errorString());
}

void WeightLogButton::showState()
{
    if (m_log.isOpen()) {
        setText(WeightLogButton::tr("记录中…"));
        setToolTip(WeightLogButton::tr("正在记录毛重到 %1；再按一次停止")
                       .arg(QDir::toNativeSeparators(m_log.path())));
    } else {
        setText(title());
        setToolTip(WeightLogButton::tr("把每次读到的毛重逐行记录到 CSV 文件"));
    }
}
