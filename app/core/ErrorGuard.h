// SPDX-License-Identifier: GPL-2.0-or-later
// Handlers that Qt runs (slots, timer ticks, event handlers) end at their own
// boundary: an error one of them raises is shown in the program's error
// report and the handler returns normally, so no exception unwinds through
// Qt's signal or event code and the emitting widget finishes its own work.
// TGlimviewApplication::notify() stays as the last net for anything missed.
//
//     connect(imgbHide, &TImageButton::clicked, this, Guarded(this, &TMainForm::imgbHideClick));
//     connect(item, &QAction::triggered, this, Guarded([this] { SetRecordingType(0); }));
//     void TMainForm::closeEvent(QCloseEvent* event) { RunGuarded([&] { ... }); }
#pragma once

#include <concepts>
#include <functional>
#include <type_traits>
#include <utility>

// Shows the exception being handled in the program's error report. Where the
// running application has no error report (a library used on its own, a test
// with a plain QApplication) the exception goes on to the caller unchanged.
// Call it only from a catch block.
void ReportHandlerError();

template <class Handler> void RunGuarded(Handler&& handler)
{
    try {
        std::invoke(std::forward<Handler>(handler));
    } catch (...) {
        ReportHandlerError();
    }
}

// A functor for QObject::connect that runs handler guarded. It takes as many
// of the signal's arguments as handler does, so Qt's dropping of trailing
// arguments works as it does for a plain slot.
template <class Handler> auto Guarded(Handler handler)
{
    return [handler = std::move(handler)]<class... Args>(
        Args && ... args) mutable requires std::invocable<Handler&, Args...>
    {
        RunGuarded([&] { std::invoke(handler, std::forward<Args>(args)...); });
    };
}

// The member function slot of receiver, guarded.
template <class Receiver, class Slot>
requires std::is_member_function_pointer_v<Slot>
auto Guarded(Receiver* receiver, Slot slot)
{
    return Guarded([ receiver, slot ]<class... Args>(
        Args && ... args) requires std::invocable<Slot, Receiver*, Args...> {
        std::invoke(slot, receiver, std::forward<Args>(args)...);
    });
}
