#pragma once
// Guards for what a test changes for the whole program: each one puts the earlier state back
// when it goes out of scope, also when a check fails half-way through the test. (Message boxes
// need none: ScriptedMessageBoxes restores the previous service itself.)

#include <QLocale>

#include "forms/lookuphook.h"
#include "forms/recordform.h"
#include "shell/application.h"

class QMdiArea;

namespace fixture {

// Sets a hook of the program through `Set` and puts back what `Get` gave before.
template <class Hook, const Hook& (*Get)(), void (*Set)(Hook)>
class HookGuard {
public:
    explicit HookGuard(Hook hook = {}) : previous_(Get()) { Set(std::move(hook)); }
    ~HookGuard() { Set(std::move(previous_)); }
    HookGuard(const HookGuard&) = delete;
    HookGuard& operator=(const HookGuard&) = delete;

private:
    Hook previous_;
};

// The record forms' lookup opener.
using LookupOpenerGuard =
    HookGuard<forms::LookupOpener, forms::lookupOpener, forms::setLookupOpener>;

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
