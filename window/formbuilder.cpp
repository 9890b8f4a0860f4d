// SPDX-License-Identifier: MIT
// The instrument's window built from its tables, every control at its place, handed out by role.
#include "formbuilder.h"

#include "controls.h"
#include "pagelayout.h"
#include "parametergroups.h"
#include "tabpanel.h"
#include "weightlabel.h"

#include <QCheckBox>
#include <QComboBox>
#include <QCoreApplication>
#include <QGroupBox>
#include <QHash>
#include <QLabel>
#include <QLineEdit>
#include <QMainWindow>
#include <QPushButton>
#include <QRadioButton>
#include <QTimer>

namespace {

const QColor kWindowColour(224, 224, 224);

// The captions in the tables are translated in the window's context.
QString windowText(const char *source)
{
    return QCoreApplication::translate("Form1", source);
}

// The six timers as the window is built, none running: the operations set an interval before
// they arm one.
struct TimerEntry
{
    const char *name;
    int intervalMs;
};
constexpr TimerEntry kTimers[] = {
    {"Timer1", 1000}, {"autuTimer2", 1000}, {"TimerBJ", 1000},
    {"Timergny", 0},  {"Timergne", 800},    {"Timertx", 800},
};

QWidget *makeControl(const ControlEntry &entry, QWidget *parent)
{
    const QString caption = windowText(entry.caption);
    switch (entry.kind) {
    case ControlKind::Frame:
        return new QGroupBox(caption, parent);
    case ControlKind::Label:
        if (qstrcmp(entry.name, "Label4") == 0)
            return new WeightLabel(parent);
        return new QLabel(caption, parent);
    case ControlKind::CheckBox:
        return new QCheckBox(caption, parent);
    case ControlKind::PushButton:
        return new QPushButton(caption, parent);
    case ControlKind::OptionButton:
        return new QRadioButton(caption, parent);
    case ControlKind::ComboBox: {
        auto *combo = new QComboBox(parent);
        combo->setEditable(true);
        combo->setInsertPolicy(QComboBox::NoInsert);
        return combo;
    }
    case ControlKind::TabPanel:
        return new TabPanel(parent);
    }
    return nullptr;
}

// A caption wider than its control would be cut off on a system whose interface font is wider
// than the one the layout was drawn with; such a control grows to the right, from its place.
void widenToCaption(QWidget *w, ControlKind kind)
{
    if (kind != ControlKind::Label && kind != ControlKind::CheckBox &&
        kind != ControlKind::OptionButton)
        return;
    if (qobject_cast<WeightLabel *>(w))
        return;
    w->resize(qMax(w->width(), w->sizeHint().width()), w->height());
}

// Every control and timer built, by its name, until each has been handed to its role.
class Builder
{
public:
    explicit Builder(QMainWindow *window) : m_window(window) {}

    Form1Controls build()
    {
        Form1Controls c;
        c.client = buildClient();
        buildControls(c.client);
        buildPages(required<TabPanel>(QStringLiteral("SSTab1")));
        buildTimers();

        for (int i = 0; i < 2; ++i)
            c.portFrame.portButtons[i] =
                required<QRadioButton>(QStringLiteral("Option1(%1)").arg(i));
        c.portFrame.baudBox = required<QComboBox>(QStringLiteral("Combo2"));
        c.portFrame.addressBox = required<QComboBox>(QStringLiteral("Combo1"));
        c.portFrame.openButton = required<QPushButton>(QStringLiteral("Command1"));

        c.weightPanel.panel = required<QGroupBox>(QStringLiteral("Frame3"));
        c.weightPanel.weightLabel = required<WeightLabel>(QStringLiteral("Label4"));
        c.weightPanel.autoReadBox = required<QCheckBox>(QStringLiteral("Check1"));
        c.weightPanel.readButton = required<QPushButton>(QStringLiteral("Command2"));
        c.weightPanel.responseTimer = required<QTimer>(QStringLiteral("Timer1"));
        c.weightPanel.pollTimer = required<QTimer>(QStringLiteral("autuTimer2"));

        c.pages.tabs = required<TabPanel>(QStringLiteral("SSTab1"));
        for (int k = 0; k < kValueBoxes; ++k)
            c.pages.valueBoxes.append(required<QLineEdit>(QStringLiteral("Text2(%1)").arg(k)));
        for (const PageControls &page : pageControls()) {
            c.pages.readButtons.append(required<QPushButton>(QString::fromUtf8(page.button)));
            c.pages.responseTimers.append(required<QTimer>(QString::fromUtf8(page.timer)));
        }
        return c;
    }

private:
    QWidget *buildClient()
    {
        auto *client = new QWidget(m_window);
        client->setObjectName(QStringLiteral("Form1Client"));
        client->setFixedSize(kFormWidthTwips / kTwipsPerPixel, kFormHeightTwips / kTwipsPerPixel);
        QPalette windowPalette = client->palette();
        windowPalette.setColor(QPalette::Window, kWindowColour);
        client->setPalette(windowPalette);
        client->setAutoFillBackground(true);
        // The layout was drawn for a 9-point interface font.
        QFont interfaceFont = client->font();
        interfaceFont.setPointSize(9);
        client->setFont(interfaceFont);
        m_window->setCentralWidget(client);
        return client;
    }

    void buildControls(QWidget *client)
    {
        for (const ControlEntry &entry : formControls()) {
            const QString container = QString::fromUtf8(entry.container);
            QWidget *parent = container == QLatin1String("Form1")
                                  ? client
                                  : qobject_cast<QWidget *>(m_built.value(container));
            QWidget *w = makeControl(entry, parent);
            w->setObjectName(QString::fromUtf8(entry.name));
            w->setGeometry(pixels({entry.left, entry.top, entry.width, entry.height}));
            widenToCaption(w, entry.kind);
            m_built.insert(w->objectName(), w);
        }
    }

    void buildPages(TabPanel *tabs)
    {
        const QList<ParameterGroup> &groups = parameterGroups();
        QList<QWidget *> pages;
        for (const ParameterGroup &group : groups) {
            auto *page = new QWidget;
            tabs->addTab(page, groupCaption(group));
            pages.append(page);
        }
        // Places on the pages are measured from the panel's own corner, tabs included.
        const QPoint origin = tabs->pageOrigin();
        const auto place = [&origin](QWidget *w, const QRect &twips) {
            w->setGeometry(pixels(twips).translated(-origin));
        };
        const QList<PageControls> &layouts = pageControls();
        for (int p = 0; p < groups.size(); ++p) {
            const ParameterGroup &group = groups[p];
            const PageControls &layout = layouts.at(p);
            QWidget *page = pages[p];
            for (const ParameterField &field : group.fields) {
                const FieldPlace *where = placeOfBox(field.box);
                if (!where)
                    qFatal("Form1: no place on the page for box Text2(%d)", field.box);
                auto *label = new QLabel(QString::fromUtf8(field.code), page);
                label->setObjectName(QString::fromUtf8(where->label));
                place(label, pageLabelRect(p, where->row, where->column));
                widenToCaption(label, ControlKind::Label);
                auto *box = new QLineEdit(page);
                box->setObjectName(QStringLiteral("Text2(%1)").arg(field.box));
                box->setAccessibleName(QString::fromUtf8(field.code));
                place(box, pageBoxRect(p, where->row, where->column));
                m_built.insert(label->objectName(), label);
                m_built.insert(box->objectName(), box);
            }
            auto *button = new QPushButton(windowText("读取"), page);
            button->setObjectName(QString::fromUtf8(layout.button));
            button->setAccessibleName(windowText(layout.accessible));
            place(button, pageButtonRect());
            m_built.insert(button->objectName(), button);
        }
        tabs->setCurrentIndex(3);
    }

    void buildTimers()
    {
        for (const TimerEntry &entry : kTimers) {
            auto *t = new QTimer(m_window);
            t->setObjectName(QString::fromUtf8(entry.name));
            t->setInterval(entry.intervalMs);
            m_built.insert(t->objectName(), t);
        }
    }

    template <typename T> T *required(const QString &name) const
    {
        T *found = qobject_cast<T *>(m_built.value(name));
        if (!found)
            qFatal("Form1: the window's tables have no %s %s", T::staticMetaObject.className(),
                   qPrintable(name));
        return found;
    }

    QMainWindow *m_window;
    QHash<QString, QObject *> m_built;
};

} // namespace

Form1Controls buildForm1Controls(QMainWindow *window)
{
    return Builder(window).build();
}
