#include "ui/info/frmabout.h"

#include "platform/sysinfo.h"
#include "ui/fittedlabel.h"
#include "ui/look.h"

#include <QKeyEvent>
#include <QLabel>
#include <QPixmap>
#include <QPushButton>

#include <stdexcept>

namespace ui {

namespace {

QLabel *label(const QString &text, QWidget *parent)
{
    auto *result = new FittedLabel(text, parent);
    result->setAlignment(Qt::AlignLeft | Qt::AlignTop);
    result->setWordWrap(true);
    return result;
}

// The DOS-style "Terminal" face where it exists, otherwise a fixed-pitch one.
QFont terminalFont(qreal pointSize)
{
    QFont font;
    font.setFamilies({QStringLiteral("Terminal"), QStringLiteral("Fixedsys"), QStringLiteral("Lucida Console"),
                      QStringLiteral("Courier New"), QStringLiteral("Liberation Mono"),
                      QStringLiteral("DejaVu Sans Mono")});
    font.setStyleHint(QFont::TypeWriter);
    font.setFixedPitch(true);
    font.setPointSizeF(pointSize);
    font.setWeight(QFont::Normal);
    return font;
}

QWidget *line(const char *name, const QColor &colour, int x1, int x2, int y, int width, QWidget *parent)
{
    auto *result = place(new QWidget(parent), name, x1, y, x2 - x1 + 1, width);
    QPalette palette = result->palette();
    palette.setColor(QPalette::Window, colour);
    result->setPalette(palette);
    result->setAutoFillBackground(true);
    result->setAttribute(Qt::WA_TransparentForMouseEvents);
    return result;
}

} // namespace

frmAbout::frmAbout(const Services &services, QWidget *parent)
    : QDialog(parent, Qt::Dialog | Qt::CustomizeWindowHint | Qt::WindowTitleHint | Qt::WindowSystemMenuHint
                          | Qt::WindowCloseButtonHint | Qt::MSWindowsFixedSizeDialogHint)
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

    // Drawn for the screen's scale, so that it stays crisp at 125 % and up.
    const QPixmap flag = flagPixmap(devicePixelRatioF());
    picIcon = new QLabel(this);
    picIcon->setObjectName(QStringLiteral("picIcon"));
    picIcon->setPixmap(flag);
    const QSize shown = flag.isNull() ? QSize(32, 32) : flag.deviceIndependentSize().toSize();
    picIcon->setGeometry(QRect(QPoint(16, 16), shown));
    picIcon->setAccessibleName(QStringLiteral("Flag"));
    picIcon->setAccessibleDescription(QStringLiteral("A waving stars-and-stripes flag on a grey pole"));

    cmdSysInfo = place(new QPushButton(QStringLiteral("&System Info..."), this), "cmdSysInfo", 256, 128, 83, 23);

    lblDescription = place(label(QStringLiteral("This program is simply an acronym dictionary. Nothing else. "
                                                "That's it. FIN"),
                                 this),
                           "lblDescription", 72, 40, 179, 38);
    setTextColour(lblDescription, Qt::black);

    lblDisclaimer = place(label(QStringLiteral("Made proudly in the U.S.A. by Kelbrite productions"), this),
                          "lblDisclaimer", 72, 104, 153, 55);
    lblDisclaimer->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    lblDisclaimer->setFont(terminalFont(9));
    setTextColour(lblDisclaimer, Qt::black);

    lblTitle = place(label(QStringLiteral("Orvex"), this), "lblTitle", 70, 16, 171, 24);
    setTextColour(lblTitle, Qt::black);

    lblVersion = place(label(QStringLiteral("Version 0.5"), this), "lblVersion", 256, 16, 91, 15);

    // Drawn in this order, so the white line lies over the grey one.
    Line1[1] = line("Line1_1", QColor(128, 128, 128), 0, 371, 88, 1, this);
    Line1[0] = line("Line1_0", QColor(255, 255, 255), 8, 378, 88, 2, this);

    setTabOrder(cmdOK, cmdSysInfo);
    cmdOK->setFocus();

    connect(cmdOK, &QPushButton::clicked, this, &frmAbout::close);
    connect(cmdSysInfo, &QPushButton::clicked, this, &frmAbout::StartSysInfo);

    // A dialog's title bar, and no taskbar button.
    keepOffTaskbar(this);
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

bool frmAbout::GetKeyValue(platform::Registry::Root KeyRoot, const QString &KeyName, const QString &SubKeyRef,
                           QString &KeyVal)
{
    if (!m_services.registry)
        throw std::logic_error("platform service not set");
    // KeyVal is only replaced when the reading changed it, so a value that is
    // not text leaves the caller's string exactly as it was.
    const std::string before = KeyVal.toStdString();
    std::string value = before;
    const bool read = platform::readRegistryValue(*m_services.registry, KeyRoot, KeyName.toStdString(),
                                                  SubKeyRef.toStdString(), value);
    if (value != before)
        KeyVal = QString::fromStdString(value);
    return read;
}

void frmAbout::StartSysInfo()
{
    bool started = false;
    try {
        started = platform::startSystemInfo({m_services.registry, m_services.files, m_services.programs});
    } catch (...) {
        // Whatever went wrong, the user learns only that the tool is unavailable.
        started = false;
    }
    if (!started) {
        m_services.boxes.message(QStringLiteral("System Information Is Unavailable At This Time"), kAppTitle,
                                 ModalBoxes::Icon::None);
    }
}

} // namespace ui
