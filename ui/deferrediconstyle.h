#pragma once

#include <QProxyStyle>

namespace ui {

// The platform's style, except that the arrows a menu bar or tool bar shows
// when its items do not fit are read only when first drawn. Every menu bar
// asks for one as it is built, and reading it has Qt open every image-format
// plugin on the system: a sixth of the program's start-up for an arrow that
// a window as wide as ours never shows.
class DeferredIconStyle : public QProxyStyle
{
    Q_OBJECT

public:
    // Over the style named key (as QStyleFactory knows it), or over the
    // desktop's default style when key is empty.
    explicit DeferredIconStyle(const QString &key = QString());

    QIcon standardIcon(StandardPixmap standardIcon, const QStyleOption *option = nullptr,
                       const QWidget *widget = nullptr) const override;
};

} // namespace ui
