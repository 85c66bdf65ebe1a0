#include "app/dialogs/CNewNavigationItemDlg.h"

#include "app/dialogs/CCoordinateEdit.h"
#include "app/dialogs/EditContextMenu.h"
#include "navigation/ListCommands.h"
#include "navigation/PositionClipboard.h"

#include <QApplication>
#include <QClipboard>
#include <QComboBox>
#include <QContextMenuEvent>
#include <QDialogButtonBox>
#include <QFormLayout>
#include <QLineEdit>
#include <QMenu>

namespace {

QString Title(CNewNavigationItemDlg::Kind kind) {
    switch (kind) {
    case CNewNavigationItemDlg::Kind::NewWaypoint:
        return QStringLiteral("New Waypoint");
    case CNewNavigationItemDlg::Kind::EditWaypoint:
        return QStringLiteral("Edit");
    case CNewNavigationItemDlg::Kind::NewRoute:
        break;
    }
    return QStringLiteral("New Route");
}

} // namespace

CNewNavigationItemDlg::CNewNavigationItemDlg(Kind kind, const QString& name,
                                             const CLatLong& position, CoordinateStyle style,
                                             QWidget* parent)
    : QDialog(parent), m_kind(kind), m_name(new QLineEdit(name, this)) {
    setWindowTitle(Title(kind));
    auto* form = new QFormLayout(this);
    form->addRow(QStringLiteral("&Name:"), m_name);
    m_name->selectAll();
    UseEditContextMenu(*m_name);
    if (kind != Kind::NewRoute) {
        m_style = new QComboBox(this);
        m_style->addItems({QStringLiteral("Traditional"), QStringLiteral("Decimal Minutes"),
                           QStringLiteral("Decimal Degrees")});
        m_style->setCurrentIndex(static_cast<int>(style));
        m_latitude = new CCoordinateEdit(CoordinateAxis::Latitude, this);
        m_longitude = new CCoordinateEdit(CoordinateAxis::Longitude, this);
        m_latitude->SetStyle(style);
        m_longitude->SetStyle(style);
        if (position.IsValid()) {
            m_latitude->SetDecimalDegrees(position.Latitude().DecimalDegrees());
            m_longitude->SetDecimalDegrees(position.Longitude().DecimalDegrees());
        }
        connect(m_style, &QComboBox::currentIndexChanged, this, [this](int index) {
            m_latitude->SetStyle(static_cast<CoordinateStyle>(index));
            m_longitude->SetStyle(static_cast<CoordinateStyle>(index));
        });
        form->addRow(QStringLiteral("&Coordinates:"), m_style);
        form->addRow(QStringLiteral("&Latitude:"), m_latitude);
        form->addRow(QStringLiteral("L&ongitude:"), m_longitude);
    }
    auto* buttons = new QDialogButtonBox(QDialogButtonBox::Ok | QDialogButtonBox::Cancel, this);
    connect(buttons, &QDialogButtonBox::accepted, this, &QDialog::accept);
    connect(buttons, &QDialogButtonBox::rejected, this, &QDialog::reject);
    form->addRow(buttons);
}

QString CNewNavigationItemDlg::Name() const {
    return m_name->text();
}

CLatLong CNewNavigationItemDlg::Position() const {
    if (m_latitude == nullptr) {
        return {};
    }
    return CLatLong::FromDecimalDegrees(m_latitude->DecimalDegrees(),
                                        m_longitude->DecimalDegrees());
}

CoordinateStyle CNewNavigationItemDlg::Style() const {
    return m_style == nullptr ? CoordinateStyle::Traditional
                              : static_cast<CoordinateStyle>(m_style->currentIndex());
}

void CNewNavigationItemDlg::accept() {
    if (m_prompts != nullptr) {
        if (!CheckTypedName(*m_prompts, Name().toStdString())) {
            m_name->setFocus();
            return;
        }
        if (m_latitude != nullptr &&
            !CheckTypedPosition(*m_prompts, m_latitude->PartValues(), m_longitude->PartValues())) {
            m_latitude->setFocus();
            return;
        }
        if (m_store && !m_store()) {
            m_name->setFocus();
            return;
        }
    }
    QDialog::accept();
}

bool CNewNavigationItemDlg::PastePosition() {
    const auto pasted = ParsePositionClipboard(QApplication::clipboard()->text().toStdString());
    if (!pasted || m_latitude == nullptr) {
        return false;
    }
    m_latitude->SetPasted(pasted->latitude);
    m_longitude->SetPasted(pasted->longitude);
    return true;
}

void CNewNavigationItemDlg::CopyPosition() const {
    QApplication::clipboard()->setText(QString::fromStdString(PositionClipboardText(Position())));
}

void CNewNavigationItemDlg::contextMenuEvent(QContextMenuEvent* event) {
    QMenu menu(this);
    if (m_kind != Kind::NewRoute) {
        menu.addAction(QStringLiteral("&Paste all Position"), this, [this] { PastePosition(); });
        menu.addAction(QStringLiteral("Cop&y all Position"), this, [this] { CopyPosition(); });
    }
    menu.addAction(QStringLiteral("&Cancel"), this, &QDialog::reject);
    menu.exec(event->globalPos());
}
