#pragma once
// The report viewer control (`CRViewer1`): shows one page of a report at a time, drawn when it
// is shown, with page navigation, zoom, printing through the platform's print dialog and
// export to PDF or Excel. Every failure shows the error box and leaves the viewer empty.

#include <QImage>
#include <QWidget>

class EngineError;
class QComboBox;
class QDoubleSpinBox;
class QLabel;
class QPrinter;
class QScrollArea;
class QSpinBox;
class QToolButton;

namespace reports {

class Report;
class PageView;

class CRViewer : public QWidget {
    Q_OBJECT
public:
    enum class ZoomMode { Percent, FitWidth, FitPage };

    explicit CRViewer(QWidget* parent = nullptr);
    ~CRViewer() override;

    // The report shown; the viewer does not own it.
    void setReportSource(Report* report);
    // Reads the report and shows its first page.
    void ViewReport();
    // Zoom in percent (88 is the viewer's starting zoom).
    void Zoom(int percent);
    void setZoomMode(ZoomMode mode);
    int zoomPercent() const;
    // Reads the report's data again and shows the same page, or the last one if it is gone.
    void Refresh();

    void ShowFirstPage();
    void ShowPreviousPage();
    void ShowNextPage();
    void ShowLastPage();
    void ShowNthPage(int page);  // 1-based
    int currentPage() const { return page_ + 1; }
    int pageCount() const;

    // Prints through the print dialog, or through `printer` when given (no dialog): pages
    // `from` to `to`, 1-based. Returns false when nothing was printed.
    bool PrintReport();
    bool printTo(QPrinter& printer, int from, int to);
    // Asks for a file and writes the report to it; returns false when nothing was written.
    bool ExportReport();
    bool exportTo(const QString& path);
    // The same for the report's records as an Excel workbook (.xlsx).
    bool ExportSpreadsheet();
    bool exportSpreadsheetTo(const QString& path);

    // The page on screen as drawn, for tests and screenshots.
    const QImage& pageImage() const;

signals:
    void pageShown(int page, int pages);

protected:
    bool eventFilter(QObject* watched, QEvent* event) override;
    void resizeEvent(QResizeEvent* event) override;

private:
    void buildToolbar();
    // The file an export writes: asked in the save dialog, with `suffix` added when missing;
    // empty when the dialog is cancelled.
    QString askExportPath(const QString& title, const QString& suffix, const QString& filter);
    // Draws the current page at the current zoom; a failure empties the viewer.
    void showPage();
    void failed(const EngineError& error);
    // Re-reads the report's data; false (after the error box) when there is no report or it fails.
    bool reread();
    // The committed state of the report's file (data/filestate.h) as a reread found it.
    QString fileState() const;
    double unitsPerMm() const;
    void updateStatus();

    Report* report_ = nullptr;
    int page_ = 0;
    QString readState_;  // the file's state when the report last read it
    int percent_ = 88;
    ZoomMode zoomMode_ = ZoomMode::Percent;

    QWidget* toolbar_;
    QWidget* labelRow_;
    QLabel* pageLabel_;
    QComboBox* zoomBox_;
    QSpinBox* startBox_ = nullptr;
    QDoubleSpinBox* offsetX_ = nullptr;
    QDoubleSpinBox* offsetY_ = nullptr;
    QScrollArea* scroll_;
    PageView* view_;
};

}  // namespace reports
