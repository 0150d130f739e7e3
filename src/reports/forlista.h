#pragma once
// The report viewer form: one design for the seven members (`ForListaArticulos` ...
// `ForListaEtiqueta2`). It holds the viewer `CRViewer1` over its whole client area and, at
// each load, gives the member's report object its credentials and shows it.

#include <QWidget>

class WindowRegistry;

namespace reports {

class CRViewer;
class Report;
struct ReportDef;

class ForLista : public QWidget {
    Q_OBJECT
public:
    explicit ForLista(const ReportDef& def, QWidget* parent = nullptr);
    ~ForLista() override;

    CRViewer* viewer() const { return CRViewer1; }
    // The report object of the member: made at the first load and kept for later ones.
    Report* report() const { return report_; }
    // True once the load sequence has ended.
    bool loaded() const { return loaded_; }

protected:
    bool event(QEvent* event) override;
    void showEvent(QShowEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void load();

    const ReportDef& def_;
    Report* report_ = nullptr;
    CRViewer* CRViewer1;
    bool started_ = false;
    bool loaded_ = false;
};

// The report object a member keeps between loads; made on first use.
Report& reportObject(const ReportDef& def);

// Registers the seven viewer forms as child windows of the main window.
void registerReportWindows(WindowRegistry& registry);

}  // namespace reports
