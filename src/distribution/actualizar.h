#pragma once
// The terminal update: pushes the back-office copy of a master-data file, or all six, to one
// of the store's terminals ("Maq 1", "Maq 2", ...: as many as the settings give). Each row shows
// when each terminal last received that file and whether the terminal's copy is older than the
// back office's file.

#include <QWidget>
#include <vector>

class QLabel;
class QPushButton;
class WindowRegistry;

class Actualizar : public QWidget {
    Q_OBJECT
public:
    explicit Actualizar(QWidget* parent = nullptr);

    // What the buttons do: `row` 0 to 5 copies that file, 6 ("Todos") all six in order, to
    // `terminal` (from 1). A failure shows one message box and stops there.
    void Copiar(int row, int terminal);

signals:
    // Before each file's copy, and after the pause that follows it.
    void copiando(const QString& fileName, int terminal);
    void copiado(const QString& fileName, int terminal);

protected:
    bool event(QEvent* event) override;
    void closeEvent(QCloseEvent* event) override;

private:
    void setBusy(bool busy);
    void showStatus();

    int terminals_;                      // how many there were when the window opened
    std::vector<QPushButton*> buttons_;  // Command1..Command7 per terminal
    QPushButton* cmdCerrar_ = nullptr;
    std::vector<QLabel*> times_;     // row * terminals_ + terminal - 1
    std::vector<QLabel*> statuses_;  // the same
    bool busy_ = false;
};
