#include "app/FingerSize.h"

#include "app/FramePlacement.h"

#include <QApplication>
#include <QGuiApplication>
#include <QScreen>
#include <QStyleOptionMenuItem>

#include <cmath>

namespace {

constexpr double kFingerMillimetres = 7.0;
constexpr double kMillimetresPerInch = 25.4;

} // namespace

int FingerHeight(const QScreen* screen) {
    if (screen == nullptr || !IsSmallScreen(screen->size())) {
        return 0;
    }
    return static_cast<int>(
        std::ceil(kFingerMillimetres * screen->physicalDotsPerInchY() / kMillimetresPerInch));
}

FingerStyle::FingerStyle(const QString& baseStyle, int least)
    : QProxyStyle(baseStyle), m_least(least) {}

QSize FingerStyle::sizeFromContents(ContentsType type, const QStyleOption* option,
                                    const QSize& size, const QWidget* widget) const {
    QSize result = QProxyStyle::sizeFromContents(type, option, size, widget);
    switch (type) {
    case CT_MenuItem: {
        const auto* item = qstyleoption_cast<const QStyleOptionMenuItem*>(option);
        if (item == nullptr || item->menuItemType != QStyleOptionMenuItem::Separator) {
            result.setHeight(std::max(result.height(), m_least));
        }
        break;
    }
    case CT_MenuBarItem:
    case CT_ItemViewItem:
        result.setHeight(std::max(result.height(), m_least));
        break;
    default:
        break;
    }
    return result;
}

int FingerStyle::styleHint(StyleHint hint, const QStyleOption* option, const QWidget* widget,
                           QStyleHintReturn* returned) const {
    if (hint == SH_Menu_Scrollable) {
        return 1;
    }
    return QProxyStyle::styleHint(hint, option, widget, returned);
}

void UseFingerSizes() {
    const int least = FingerHeight(QGuiApplication::primaryScreen());
    if (least > 0 && dynamic_cast<FingerStyle*>(QApplication::style()) == nullptr) {
        QApplication::setStyle(new FingerStyle(QApplication::style()->name(), least));
    }
}
