#include "crviewer.h"

#include <algorithm>

#include <QComboBox>
#include <QDoubleSpinBox>
#include <QHBoxLayout>
#include <QKeyEvent>
#include <QLabel>
#include <QPainter>
#include <QPrinter>
#include <QRegularExpression>
#include <QScrollArea>
#include <QScrollBar>
#include <QShortcut>
#include <QSpinBox>
#include <QStyle>
#include <QToolButton>
#include <QVBoxLayout>
#include <QWheelEvent>

#include "data/errors.h"
#include "data/filestate.h"
#include "data/numbertext.h"
#include "data/paths.h"
#include "forms/formparts.h"
#include "report.h"
#include "shell/dialogs.h"
#include "shell/msgbox.h"

using namespace Qt::StringLiterals;

namespace reports {

// The page as drawn, shown at its own size inside the scroll area.
class PageView : public QWidget {
public:
    explicit PageView(QWidget* parent) : QWidget(parent) { setObjectName(u"Pagina"_s); }
    void setImage(QImage image)
    {
        image_ = std::move(image);
        const QSize logical = image_.isNull()
                                  ? QSize(0, 0)
                                  : (QSizeF(image_.size()) / image_.devicePixelRatio()).toSize();
        setFixedSize(logical);
        update();
    }
    const QImage& image() const { return image_; }

protected:
    void paintEvent(QPaintEvent*) override
    {
        if (image_.isNull()) return;
        QPainter painter(this);
        painter.drawImage(QPointF(0, 0), image_);
    }

private:
    QImage image_;
};

namespace {

const int kZoomSteps[] = {50, 75, 88, 100, 125, 150, 200};

// A box of a few millimetres, written with the store's decimal comma whatever the system's
// language, where a typed full stop is that comma as in every number box of the program: read
// as a group separator, "1.5" would be 15 mm and send the labels off the sheet.
class MillimetreBox : public QDoubleSpinBox {
public:
    using QDoubleSpinBox::QDoubleSpinBox;

    QString textFromValue(double value) const override
    {
        return numbertext::fixed(value, decimals());
    }
    double valueFromText(const QString& text) const override
    {
        return numbertext::parse(number(text)).value_or(0);
    }
    QValidator::State validate(QString& text, int&) const override
    {
        const QStringView typed = number(text);
        // A sign, digits and one comma with at most `decimals` digits after it may still become a
        // value.
        static const QRegularExpression shape(u"^[-+]?[0-9]*(,[0-9]*)?$"_s);
        const QRegularExpressionMatch match = shape.match(typed);
        if (!match.hasMatch() || match.capturedLength(1) > decimals() + 1)
            return QValidator::Invalid;
        const std::optional<double> value = numbertext::parse(typed);
        if (!value || *value < minimum() || *value > maximum()) return QValidator::Intermediate;
        return QValidator::Acceptable;
    }

protected:
    void keyPressEvent(QKeyEvent* event) override
    {
        if (!forms::typeIntoField(lineEdit(), event, forms::DecimalComma))
            QDoubleSpinBox::keyPressEvent(event);
    }

private:
    // The text without the prefix the box writes before the number.
    QStringView number(const QString& text) const
    {
        QStringView view(text);
        if (view.startsWith(prefix())) view = view.mid(prefix().size());
        return view.trimmed();
    }
};

}  // namespace

CRViewer::CRViewer(QWidget* parent) : QWidget(parent)
{
    setObjectName(u"CRViewer1"_s);
    auto* layout = new QVBoxLayout(this);
    layout->setContentsMargins(0, 0, 0, 0);
    layout->setSpacing(0);
    buildToolbar();
    layout->addWidget(toolbar_);
    layout->addWidget(labelRow_);
    scroll_ = new QScrollArea(this);
    scroll_->setObjectName(u"scrollArea"_s);
    scroll_->setAlignment(Qt::AlignHCenter | Qt::AlignTop);
    scroll_->setBackgroundRole(QPalette::Dark);
    // A scroll bar that comes and goes would change the room that fitting measures.
    scroll_->setVerticalScrollBarPolicy(Qt::ScrollBarAlwaysOn);
    view_ = new PageView(scroll_);
    scroll_->setWidget(view_);
    scroll_->viewport()->installEventFilter(this);
    layout->addWidget(scroll_, 1);

    auto key = [this](QKeySequence sequence, void (CRViewer::*action)()) {
        auto* shortcut = new QShortcut(sequence, this);
        shortcut->setContext(Qt::WidgetWithChildrenShortcut);
        connect(shortcut, &QShortcut::activated, this, action);
    };
    key(QKeySequence(Qt::Key_PageDown), &CRViewer::ShowNextPage);
    key(QKeySequence(Qt::Key_PageUp), &CRViewer::ShowPreviousPage);
    key(QKeySequence(Qt::CTRL | Qt::Key_Home), &CRViewer::ShowFirstPage);
    key(QKeySequence(Qt::CTRL | Qt::Key_End), &CRViewer::ShowLastPage);
    setFocusPolicy(Qt::StrongFocus);
    updateStatus();
}

CRViewer::~CRViewer() = default;

void CRViewer::buildToolbar()
{
    toolbar_ = new QWidget(this);
    toolbar_->setObjectName(u"Herramientas"_s);
    auto* row = new QHBoxLayout(toolbar_);
    row->setContentsMargins(4, 2, 4, 2);
    auto button = [&](const QString& name, const QString& text, QStyle::StandardPixmap icon,
                      auto action) {
        auto* b = new QToolButton(toolbar_);
        b->setObjectName(name);
        b->setText(text);
        b->setToolTip(text);
        b->setIcon(style()->standardIcon(icon));
        b->setToolButtonStyle(Qt::ToolButtonTextBesideIcon);
        b->setFocusPolicy(Qt::NoFocus);
        connect(b, &QToolButton::clicked, this, action);
        row->addWidget(b);
        return b;
    };
    button(u"cmdPrimera"_s, u"Primera"_s, QStyle::SP_MediaSkipBackward, [this] {
        ShowFirstPage();
    })->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button(u"cmdAnterior"_s, u"Anterior"_s, QStyle::SP_MediaSeekBackward, [this] {
        ShowPreviousPage();
    })->setToolButtonStyle(Qt::ToolButtonIconOnly);
    pageLabel_ = new QLabel(toolbar_);
    pageLabel_->setObjectName(u"lblPagina"_s);
    pageLabel_->setMinimumWidth(
        pageLabel_->fontMetrics().horizontalAdvance(u"Página 00000 de 00000"_s));
    row->addWidget(pageLabel_);
    button(u"cmdSiguiente"_s, u"Siguiente"_s, QStyle::SP_MediaSeekForward, [this] {
        ShowNextPage();
    })->setToolButtonStyle(Qt::ToolButtonIconOnly);
    button(u"cmdUltima"_s, u"Última"_s, QStyle::SP_MediaSkipForward, [this] {
        ShowLastPage();
    })->setToolButtonStyle(Qt::ToolButtonIconOnly);

    zoomBox_ = new QComboBox(toolbar_);
    zoomBox_->setObjectName(u"cboZoom"_s);
    zoomBox_->setFocusPolicy(Qt::NoFocus);
    for (int step : kZoomSteps) zoomBox_->addItem(u"%1 %"_s.arg(step), step);
    zoomBox_->addItem(u"Ancho de página"_s, -1);
    zoomBox_->addItem(u"Página completa"_s, -2);
    connect(zoomBox_, &QComboBox::activated, this, [this](int index) {
        const int value = zoomBox_->itemData(index).toInt();
        if (value == -1) setZoomMode(ZoomMode::FitWidth);
        else if (value == -2) setZoomMode(ZoomMode::FitPage);
        else Zoom(value);
    });
    row->addWidget(zoomBox_);

    // The label sheets' own settings, on a row of their own.
    labelRow_ = new QWidget(this);
    labelRow_->setObjectName(u"Etiquetas"_s);
    auto* labelRow = new QHBoxLayout(labelRow_);
    labelRow->setContentsMargins(4, 0, 4, 2);
    auto* startLabel = new QLabel(u"Empezar en etiqueta"_s, labelRow_);
    startLabel->setObjectName(u"lblEmpezar"_s);
    startBox_ = new QSpinBox(labelRow_);
    startBox_->setObjectName(u"txtEmpezar"_s);
    startBox_->setRange(1, 1);
    auto* offsetLabel = new QLabel(u"Corrimiento de la impresora (mm):"_s, labelRow_);
    offsetLabel->setObjectName(u"lblCorrimiento"_s);
    offsetX_ = new MillimetreBox(labelRow_);
    offsetX_->setObjectName(u"txtCorrimientoX"_s);
    offsetY_ = new MillimetreBox(labelRow_);
    offsetY_->setObjectName(u"txtCorrimientoY"_s);
    for (QDoubleSpinBox* box : {offsetX_, offsetY_}) {
        box->setRange(-20, 20);
        box->setDecimals(1);
        box->setSingleStep(0.5);
    }
    offsetX_->setToolTip(u"Horizontal"_s);
    offsetX_->setPrefix(u"Horizontal "_s);
    offsetY_->setToolTip(u"Vertical"_s);
    offsetY_->setPrefix(u"Vertical "_s);
    for (QWidget* w :
         std::initializer_list<QWidget*>{startLabel, startBox_, offsetLabel, offsetX_, offsetY_})
        labelRow->addWidget(w);
    labelRow->addStretch(1);
    labelRow_->setVisible(false);
    connect(startBox_, &QSpinBox::valueChanged, this, [this](int n) {
        if (!report_) return;
        report_->setStartPosition(n);
        page_ = 0;
        showPage();
    });
    auto offsetChanged = [this] {
        if (!report_) return;
        const QPointF offset(offsetX_->value(), offsetY_->value());
        report_->setOffsetMm(offset);
        saveLabelOffset(offset);
        showPage();
    };
    connect(offsetX_, &QDoubleSpinBox::valueChanged, this, offsetChanged);
    connect(offsetY_, &QDoubleSpinBox::valueChanged, this, offsetChanged);

    row->addStretch(1);
    button(u"cmdActualizar"_s, u"Actualizar"_s, QStyle::SP_BrowserReload, [this] { Refresh(); });
    button(u"cmdImprimir"_s, u"Imprimir"_s, QStyle::SP_FileDialogDetailedView,
           [this] { PrintReport(); });
    button(u"cmdExportar"_s, u"Exportar PDF"_s, QStyle::SP_DialogSaveButton,
           [this] { ExportReport(); });
    QToolButton* excel = button(u"cmdExportarExcel"_s, u"Exportar Excel"_s,
                                QStyle::SP_DialogSaveButton, [this] { ExportSpreadsheet(); });
    // Reached with Tab and pressed with the space bar (a click leaves the focus on the page); a
    // screen reader reads its caption.
    excel->setFocusPolicy(Qt::TabFocus);
    excel->setAccessibleName(excel->text());
}

void CRViewer::setReportSource(Report* report)
{
    report_ = report;
    page_ = 0;
    const bool labels = report && report->def().labels();
    labelRow_->setVisible(labels);
    if (labels) {
        const QSignalBlocker a(startBox_), b(offsetX_), c(offsetY_);
        startBox_->setRange(1, report->def().labels()->perSheet());
        startBox_->setValue(report->startPosition());
        const QPointF offset = savedLabelOffset();
        report->setOffsetMm(offset);
        offsetX_->setValue(offset.x());
        offsetY_->setValue(offset.y());
    }
}

void CRViewer::failed(const EngineError& error)
{
    if (report_) report_->close();
    page_ = 0;
    view_->setImage(QImage());
    updateStatus();
    ShowErrorBox(error, this);
}

bool CRViewer::reread()
{
    if (!report_) return false;
    // Taken before the read: a save landing meanwhile makes the next refresh read again.
    const QString state = fileState();
    try {
        report_->refresh();
    } catch (const EngineError& error) {
        readState_.clear();
        failed(error);
        return false;
    }
    readState_ = state;
    return true;
}

QString CRViewer::fileState() const
{
    return filestate::committedState(paths::toNative(paths::inBases(report_->def().fileName)));
}

void CRViewer::ViewReport()
{
    if (!reread()) return;
    page_ = 0;
    showPage();
}

void CRViewer::Refresh()
{
    // The file as it was when the shown page was read: nothing to read or draw again.
    if (report_ && report_->isOpen() && !readState_.isEmpty() && fileState() == readState_) return;
    if (!reread()) return;
    page_ = std::clamp(page_, 0, std::max(0, report_->pageCount() - 1));
    showPage();
}

int CRViewer::pageCount() const { return report_ ? report_->pageCount() : 0; }

double CRViewer::unitsPerMm() const
{
    const QSizeF page = Report::pageSizeMm();
    const QSize room = scroll_->viewport()->size() - QSize(16, 16);
    switch (zoomMode_) {
    case ZoomMode::FitWidth:
        return std::max(1.0, room.width() / page.width());
    case ZoomMode::FitPage:
        return std::max(0.5, std::min(room.width() / page.width(), room.height() / page.height()));
    case ZoomMode::Percent:
        break;
    }
    return percent_ / 100.0 * logicalDpiX() / 25.4;
}

int CRViewer::zoomPercent() const { return qRound(unitsPerMm() * 25.4 / logicalDpiX() * 100); }

void CRViewer::showPage()
{
    if (!report_ || !report_->isOpen()) {
        view_->setImage(QImage());
        updateStatus();
        return;
    }
    page_ = std::clamp(page_, 0, std::max(0, report_->pageCount() - 1));
    const double perMm = unitsPerMm();
    const qreal ratio = devicePixelRatioF();
    const QSizeF logical = Report::pageSizeMm() * perMm;
    QImage image((logical * ratio).toSize(), QImage::Format_ARGB32_Premultiplied);
    image.setDevicePixelRatio(ratio);
    image.fill(Qt::white);
    try {
        QPainter painter(&image);
        painter.setRenderHint(QPainter::Antialiasing);
        painter.setRenderHint(QPainter::TextAntialiasing);
        report_->drawPage(painter, page_, perMm);
    } catch (const EngineError& error) {
        failed(error);
        return;
    }
    view_->setImage(std::move(image));
    updateStatus();
    emit pageShown(page_ + 1, report_->pageCount());
}

void CRViewer::updateStatus()
{
    const int pages = pageCount();
    pageLabel_->setText(u"Página %1 de %2"_s.arg(pages ? page_ + 1 : 0).arg(pages));
    for (const QString& name : {u"cmdPrimera"_s, u"cmdAnterior"_s})
        toolbar_->findChild<QWidget*>(name)->setEnabled(pages && page_ > 0);
    for (const QString& name : {u"cmdSiguiente"_s, u"cmdUltima"_s})
        toolbar_->findChild<QWidget*>(name)->setEnabled(pages && page_ < pages - 1);
    for (const QString& name : {u"cmdImprimir"_s, u"cmdExportar"_s, u"cmdExportarExcel"_s})
        toolbar_->findChild<QWidget*>(name)->setEnabled(pages > 0);
    int index = -1;
    if (zoomMode_ == ZoomMode::FitWidth) index = zoomBox_->findData(-1);
    else if (zoomMode_ == ZoomMode::FitPage) index = zoomBox_->findData(-2);
    else index = zoomBox_->findData(percent_);
    if (index < 0) {
        zoomBox_->addItem(u"%1 %"_s.arg(percent_), percent_);
        index = zoomBox_->count() - 1;
    }
    zoomBox_->setCurrentIndex(index);
}

void CRViewer::Zoom(int percent)
{
    percent = std::clamp(percent, 10, 400);
    if (zoomMode_ == ZoomMode::Percent && percent == percent_ && !view_->image().isNull()) return;
    percent_ = percent;
    zoomMode_ = ZoomMode::Percent;
    showPage();
}

void CRViewer::setZoomMode(ZoomMode mode)
{
    zoomMode_ = mode;
    showPage();
}

void CRViewer::ShowNthPage(int page)
{
    const int pages = pageCount();
    if (!pages) return;
    const int wanted = std::clamp(page - 1, 0, pages - 1);
    if (wanted == page_ && !view_->image().isNull()) return;
    page_ = wanted;
    showPage();
    scroll_->verticalScrollBar()->setValue(0);
}

void CRViewer::ShowFirstPage() { ShowNthPage(1); }
void CRViewer::ShowPreviousPage() { ShowNthPage(page_); }
void CRViewer::ShowNextPage() { ShowNthPage(page_ + 2); }
void CRViewer::ShowLastPage() { ShowNthPage(pageCount()); }

bool CRViewer::PrintReport()
{
    const int pages = pageCount();
    if (!pages) return false;
    QPrinter printer(QPrinter::HighResolution);
    printer.setPageSize(QPageSize(QPageSize::A4));
    if (!ChoosePrinter(printer, pages, this)) return false;
    int from = 1, to = pages;
    if (printer.printRange() == QPrinter::PageRange) {
        from = printer.fromPage();
        to = printer.toPage();
    } else if (printer.printRange() == QPrinter::CurrentPage) {
        from = to = page_ + 1;
    }
    return printTo(printer, from, to);
}

bool CRViewer::printTo(QPrinter& printer, int from, int to)
{
    if (!pageCount()) return false;
    try {
        report_->print(printer, from - 1, to - 1);
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        return false;
    }
    return true;
}

QString CRViewer::askExportPath(const QString& title, const QString& suffix, const QString& filter)
{
    QString path = ChooseFileToSave(title, report_->def().caption + suffix, filter, this);
    if (!path.isEmpty() && !path.endsWith(suffix, Qt::CaseInsensitive)) path += suffix;
    return path;
}

bool CRViewer::ExportReport()
{
    if (!pageCount()) return false;
    const QString path = askExportPath(u"Exportar PDF"_s, u".pdf"_s, u"PDF (*.pdf)"_s);
    return !path.isEmpty() && exportTo(path);
}

bool CRViewer::exportTo(const QString& path)
{
    if (!pageCount()) return false;
    try {
        report_->exportPdf(path);
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        return false;
    }
    return true;
}

bool CRViewer::ExportSpreadsheet()
{
    if (!pageCount()) return false;
    const QString path =
        askExportPath(u"Exportar Excel"_s, u".xlsx"_s, u"Libro de Excel (*.xlsx)"_s);
    return !path.isEmpty() && exportSpreadsheetTo(path);
}

bool CRViewer::exportSpreadsheetTo(const QString& path)
{
    if (!pageCount()) return false;
    try {
        report_->exportSpreadsheet(path);
    } catch (const EngineError& error) {
        ShowErrorBox(error, this);
        return false;
    }
    return true;
}

const QImage& CRViewer::pageImage() const { return view_->image(); }

bool CRViewer::eventFilter(QObject* watched, QEvent* event)
{
    if (watched == scroll_->viewport() && event->type() == QEvent::Wheel) {
        auto* wheel = static_cast<QWheelEvent*>(event);
        if (wheel->modifiers() & Qt::ControlModifier) {
            const int steps = wheel->angleDelta().y() / 120;
            if (steps) Zoom(zoomPercent() + 10 * steps);
            return true;
        }
    }
    return QWidget::eventFilter(watched, event);
}

void CRViewer::resizeEvent(QResizeEvent* event)
{
    QWidget::resizeEvent(event);
    if (zoomMode_ != ZoomMode::Percent) showPage();
}

}  // namespace reports
