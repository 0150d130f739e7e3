#pragma once
// The wait window: a small red window without caption saying "Espere un Momento...", shown
// over a window while it works. It is made the first time it is shown and then only hidden
// between uses.

#include <QWidget>

class Espere : public QWidget {
    Q_OBJECT
public:
    // Shows the wait window centred on `owner`'s window (on the screen when null) and paints
    // it at once.
    static void Mostrar(QWidget* owner);
    // Hides it; it stays loaded for the next use.
    static void Ocultar();
    // The loaded window, nullptr before the first Mostrar.
    static Espere* form();

private:
    Espere();
};

// The wait window over `owner` for the life of a scope, however the scope ends.
class EspereMientras {
public:
    explicit EspereMientras(QWidget* owner) { Espere::Mostrar(owner); }
    ~EspereMientras() { Espere::Ocultar(); }
    EspereMientras(const EspereMientras&) = delete;
    EspereMientras& operator=(const EspereMientras&) = delete;
};
