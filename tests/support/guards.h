#pragma once
// Guards for what a test changes for the whole program: each one puts the earlier state back
// when it goes out of scope, also when a check fails half-way through the test. (Message boxes
// need none: ScriptedMessageBoxes restores the previous service itself.)

#include <QLocale>

#include "application.h"
#include "lookuphook.h"
#include "recordform.h"

class QMdiArea;

namespace fixture {

// The record forms' lookup opener.
class LookupOpenerGuard {
public:
    explicit LookupOpenerGuard(forms::LookupOpener opener);
    ~LookupOpenerGuard();
    LookupOpenerGuard(const LookupOpenerGuard&) = delete;
    LookupOpenerGuard& operator=(const LookupOpenerGuard&) = delete;

private:
    forms::LookupOpener previous_;
};

// What brings back a form that closed itself after a save.
class FormReopenerGuard {
public:
    explicit FormReopenerGuard(forms::FormReopener reopener = {});
    ~FormReopenerGuard();
    FormReopenerGuard(const FormReopenerGuard&) = delete;
    FormReopenerGuard& operator=(const FormReopenerGuard&) = delete;

private:
    forms::FormReopener previous_;
};

// What ends the program.
class ExitHandlerGuard {
public:
    explicit ExitHandlerGuard(shell::ExitHandler handler);
    ~ExitHandlerGuard();
    ExitHandlerGuard(const ExitHandlerGuard&) = delete;
    ExitHandlerGuard& operator=(const ExitHandlerGuard&) = delete;

private:
    shell::ExitHandler previous_;
};

// The program's window registry: starts empty with `frame` as its frame and is left empty
// with no frame.
class RegistryGuard {
public:
    explicit RegistryGuard(QMdiArea* frame = nullptr);
    ~RegistryGuard();
    RegistryGuard(const RegistryGuard&) = delete;
    RegistryGuard& operator=(const RegistryGuard&) = delete;
};

// Qt's default locale.
class DefaultLocaleGuard {
public:
    DefaultLocaleGuard() = default;
    ~DefaultLocaleGuard() { QLocale::setDefault(saved_); }
    DefaultLocaleGuard(const DefaultLocaleGuard&) = delete;
    DefaultLocaleGuard& operator=(const DefaultLocaleGuard&) = delete;

private:
    QLocale saved_;
};

}  // namespace fixture
