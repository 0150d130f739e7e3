#include "formwindows.h"

#include "recordform.h"
#include "windowregistry.h"

namespace forms {

void reopenThroughRegistry(WindowRegistry& registry)
{
    setFormReopener([&registry](const QString& formName, const QPoint& placeTwips) {
        registry.show(formName, placeTwips);
    });
}

}  // namespace forms
