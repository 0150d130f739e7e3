#pragma once
// Messages for input the record forms refuse, kept in one table.

#include "data/message.h"

class QWidget;

namespace forms {

enum class FormMessage {
    LastCodeNotNumber,  // Nuevo: the last record's code is not a number
    NextCodeTooLarge,   // Nuevo: the next number does not fit the code
    CodeNotNumber,      // Grabar on the department form: the code must be a number
};

const Message& formMessage(FormMessage message);
void showFormMessage(FormMessage message, QWidget* parent);

}  // namespace forms
