#pragma once
// The about box: a picture across the whole window and one button to close it.

#include <QDialog>

class Acerca : public QDialog {
    Q_OBJECT
public:
    explicit Acerca(QWidget* parent = nullptr);

protected:
    void paintEvent(QPaintEvent* event) override;
};
