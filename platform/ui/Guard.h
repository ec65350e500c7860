#pragma once
// The guard every slot and event handler runs its work through: no exception
// ever crosses the Qt event loop. A tv::SilentAbort ends the work without a
// message; a tv::Error or any other exception is shown as the standard error
// display (the text as raised, the application title as caption, the error
// icon and OK) through the dialog seam.
#include <QString>

#include <functional>
#include <type_traits>
#include <utility>

namespace tv::ui {

// Runs `work`; true when it finished without an exception.
bool Guard(const std::function<void()> &work);

// The standard error display.
void ShowError(const QString &text);

// Wraps a slot so that it runs through Guard:
//     connect(btnOK, &QPushButton::clicked, this, tv::ui::Guarded([this] { btnOKClick(); }));
// The wrapper takes exactly the arguments `work` takes, so Qt can connect it
// to a signal with more arguments (a parameterless lambda to clicked(bool)).
template <typename F>
auto Guarded(F work)
{
    return [work = std::move(work)]<typename... A>(A &&...args)
        requires std::is_invocable_v<const F &, A...>
    { Guard([&] { work(std::forward<A>(args)...); }); };
}

} // namespace tv::ui
