// Applies a price rise of 8 % to every article, with labels, and prints a line before it starts
// storing: the kill test sends it SIGKILL at a random moment of the apply.
#include <cstdio>

#include <QCoreApplication>

#include "articles/priceupdate.h"
#include "data/catalogue.h"

int main(int argc, char* argv[])
{
    QCoreApplication app(argc, argv);
    articles::PriceChange change;
    change.value = 8;
    change.stepCents = 1000;
    const articles::PriceReview review =
        articles::reviewPriceChange(*catalogue::open(QStringLiteral("Articulos.mdb")), {}, change);
    std::puts("ready");
    std::fflush(stdout);
    articles::applyPriceChange(review, QStringLiteral("PRUEBA"), true);
    std::puts("applied");
    std::fflush(stdout);
}
