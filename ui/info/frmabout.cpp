#include "ui/info/frmabout.h"

#include "platform/fileprobe.h"
#include "platform/programstarter.h"
#include "ui/look.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>
#include <QtEndian>

#include <stdexcept>

namespace ui {

namespace {

using platform::Registry;

// Where Windows records the system-information program: its full path, or
// else the folder that holds MSINFO32.EXE.
const QString kInfoPathKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools\\MSINFO");
const QString kInfoPathValue = QStringLiteral("PATH");
const QString kInfoFolderKey = QStringLiteral("SOFTWARE\\Microsoft\\Shared Tools Location");
const QString kInfoFolderValue = QStringLiteral("MSINFO");
const QString kInfoProgram = QStringLiteral("\\MSINFO32.EXE");

const QString kUnavailable = QStringLiteral("System Information Is Unavailable At This Time");

constexpr int kValueBufferSize = 1024;

template<typename Widget>
Widget *place(Widget *widget, const char *name, int x, int y, int width, int height)
{
    widget->setObjectName(QLatin1String(name));
    widget->setGeometry(x, y, width, height);
    return widget;
}

QLabel *label(const QString &text, QWidget *parent)
{
    auto *result = new QLabel(text, parent);
    result->setTextFormat(Qt::PlainText);
    result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    result->setWordWrap(true);
    return result;
}

void paintText(QWidget *widget, const QColor &colour)
{
    QPalette palette = widget->palette();
    palette.setColor(QPalette::WindowText, colour);
    widget->setPalette(palette);
}

// The DOS-style "Terminal" face where it exists, otherwise a fixed-pitch one.
QFont terminalFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Terminal"), QStringLiteral("Fixedsys"),
                      QStringLiteral("Lucida Console"), QStringLiteral("Courier New"),
                      QStringLiteral("Liberation Mono"), QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

QWidget *line(const char *name, const QColor &colour, int x1, int x2, int y, int width,
              QWidget *parent)
{
    auto *result = place(new QWidget(parent), name, x1, y, x2 - x1 + 1, width);
    QPalette palette = result->palette();
    palette.setColor(QPalette::Window, colour);
    result->setPalette(palette);
    result->setAutoFillBackground(true);
    result->setAttribute(Qt::WA_TransparentForMouseEvents);
    return result;
}

template<typename Service>
Service &need(Service *service)
{
    if (!service)
        throw std::logic_error("platform service not set");
    return *service;
}

// Closes an opened key on every way out, exceptions included.
class OpenKey
{
public:
    OpenKey(Registry &registry, Registry::Key key)
        : m_registry(registry)
        , m_key(key)
    {
    }
    ~OpenKey()
    {
        try {
            m_registry.closeKey(m_key);
        } catch (...) {
            // Nothing more can be done about a key that will not close.
        }
    }
    OpenKey(const OpenKey &) = delete;
    OpenKey &operator=(const OpenKey &) = delete;

private:
    Registry &m_registry;
    Registry::Key m_key;
};

} // namespace

frmAbout::frmAbout(const Services &services, QWidget *parent)
    // A tool window has no taskbar button, on Windows and under X11 alike.
    : QDialog(parent, Qt::Tool | Qt::CustomizeWindowHint | Qt::WindowTitleHint
                          | Qt::WindowSystemMenuHint | Qt::WindowCloseButtonHint
                          | Qt::MSWindowsFixedSizeDialogHint)
    , m_services(services)
{
    setObjectName(QStringLiteral("frmAbout"));
    setWindowTitle(QStringLiteral("About Orvex"));
    setWindowIcon(questionIcon());
    setFont(windowFont());
    setModal(false);
    setSizeGripEnabled(false);
    // The client area sits at a fixed place on the screen; it is not centred.
    setFixedSize(382, 171);
    setGeometry(156, 129, 382, 171);

    // Created in tab order, which makes the focus chain.
    cmdOK = place(new QPushButton(QStringLiteral("OK"), this), "cmdOK", 256, 96, 84, 23);
    cmdOK->setDefault(true);

    const QPixmap flag(QStringLiteral(":/icons/flag-32.png"));
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(flag);
    picIcon->setGeometry(QRect(QPoint(16, 16), flag.isNull() ? QSize(32, 32) : flag.size()));

    cmdSysInfo = place(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo",
                       256, 128, 83, 23);

    lblDescription = place(
        label(QStringLiteral("This program is simply an acronym dictionary. Nothing else. "
                             "That's it. FIN"),
              this),
        "lblDescription", 72, 40, 179, 38);
    paintText(lblDescription, Qt::black);

    lblDisclaimer = place(
        label(QStringLiteral("Made proudly in the U.S.A. by Kelbrite productions"), this),
        "lblDisclaimer", 72, 104, 153, 55);
    lblDisclaimer->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDisclaimer->setFont(terminalFont(9));
    paintText(lblDisclaimer, Qt::black);

    lblTitle = place(label(QStringLiteral("Orvex"), this), "lblTitle", 70, 16, 171, 24);
    paintText(lblTitle, Qt::black);

    lblVersion = place(label(QStringLiteral("Version 0.5"), this), "lblVersion",
                       256, 16, 91, 15);

    // Drawn in this order, so the white line lies over the grey one.
    Line1[1] = line("Line1_1", QColor(128, 128, 128), 0, 371, 88, 1, this);
    Line1[0] = line("Line1_0", QColor(255, 255, 255), 8, 378, 88, 2, this);

    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);
}

frmAbout::~frmAbout() = default;

void frmAbout::keyPressEvent(QKeyEvent *event)
{
    // OK is the cancel button too: Esc presses it.
    if (event->key() == Qt::Key_Escape && event->modifiers() == Qt::NoModifier) {
        cmdOK->click();
        return;
    }
    QDialog::keyPressEvent(event);
}

bool frmAbout::GetKeyValue(Registry::Root KeyRoot, const QString &KeyName,
                           const QString &SubKeyRef, QString &KeyVal)
{
    Registry &registry = need(m_services.registry);

    // Read rights only: machine-wide keys refuse more to ordinary users.
    Registry::Key key = 0;
    if (registry.openKey(KeyRoot, KeyName, 0, Registry::kRead, key) != Registry::kSuccess) {
        KeyVal.clear();
        return false;
    }
    const OpenKey opened(registry, key);

    QByteArray buffer(kValueBufferSize, '\0');
    quint32 type = 0;
    quint32 size = kValueBufferSize;
    if (registry.queryValue(key, SubKeyRef, type, buffer, size) != Registry::kSuccess) {
        KeyVal.clear();
        return false;
    }

    // A string stored with its terminating NUL loses it; one stored without
    // keeps every character; an empty value gives "".
    qsizetype length = qMin<qsizetype>(size, buffer.size());
    if (length > 0 && buffer.at(length - 1) == '\0')
        --length;
    const QString text = QString::fromLocal8Bit(buffer.constData(), length);

    switch (type) {
    case Registry::kString:
        KeyVal = text;
        break;
    case Registry::kExpandString:
        KeyVal = registry.expandString(text);
        break;
    case Registry::kDword:
        // The buffer starts all NUL, so a short value reads as its bytes.
        KeyVal = QString::number(qFromLittleEndian<quint32>(buffer.constData()));
        break;
    default:
        // Not text: left as it was.
        break;
    }
    return true;
}

bool frmAbout::locateAndStartSysInfo()
{
    QString path;
    // The full path is trusted as it stands; the folder is checked for the
    // program before it is used.
    if (!GetKeyValue(Registry::kLocalMachine, kInfoPathKey, kInfoPathValue, path)) {
        if (!GetKeyValue(Registry::kLocalMachine, kInfoFolderKey, kInfoFolderValue, path))
            return false;
        const QString candidate = path + kInfoProgram;
        if (!need(m_services.files).fileExists(candidate))
            return false;
        path = candidate;
    }
    return need(m_services.programs).start(path, platform::ProgramStarter::kShowNormal);
}

void frmAbout::StartSysInfo()
{
    bool started = false;
    try {
        started = locateAndStartSysInfo();
    } catch (...) {
        // Whatever went wrong, the user learns only that the tool is unavailable.
        started = false;
    }
    if (!started)
        m_services.boxes.message(kUnavailable, kAppTitle, ModalBoxes::Icon::None);
}

} // namespace ui
