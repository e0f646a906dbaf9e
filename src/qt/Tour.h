#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

#include "ui/Form.h"
#include "ui/FormInstance.h"
#include "ui/FormRegistry.h"

class QWidget;

namespace fo::qt {

// What a tour step works with: where pictures go and how to take them.
// Windows shown modally are pictured from inside their own event loop.
class TourContext {
public:
    TourContext(std::string outDir, std::ostream& out) : outDir_(std::move(outDir)), out_(out) {}

    // Saves a picture of `widget` as NAME.png in the output folder and
    // prints one line naming it.
    void snap(QWidget& widget, const std::string& name);
    // The output folder; a step that draws a picture itself saves it there
    // as NAME.png and reports it with pictured().
    const std::string& outDir() const { return outDir_; }
    void pictured(const std::string& file, const std::string& name, const std::string& title);
    // Runs `open`, which shows a modal window or message box; once it is up
    // `work` fills it as a clerk would (a FormView's form can be reached
    // through dynamic_cast), then it is pictured (unless `name` is empty)
    // and closed as with the close box. Returns whether a window came up.
    // With `wanted`, only a window it accepts is the one (a message box the
    // step answers on the way is not).
    bool whileModal(const std::string& name, const std::function<void()>& open,
                    const std::function<void(QWidget& window)>& work = {},
                    const std::function<bool(QWidget& window)>& wanted = {});
    // Answers the next message box that comes up with its button captioned
    // `caption`, as a clerk would ("是").
    void answerNextMessage(const std::string& caption);
    int pictures() const { return pictures_; }
    int failures() const { return failures_; }
    // A step reports what went wrong; the tour goes on with the next step.
    void fail(const std::string& what);

    // The main window of the application, for steps that start from it.
    QWidget* mainWindow = nullptr;

private:
    std::string outDir_;
    std::ostream& out_;
    int pictures_ = 0, failures_ = 0;
};

using TourStep = std::function<void(TourContext&)>;

// Steps run in the order they were registered; a later registration with
// the same name replaces the step in place.
void registerTourStep(const std::string& name, TourStep step);
const std::vector<std::pair<std::string, TourStep>>& tourSteps();

// The form a window shows; nullptr when the window is no form window.
Form* formOf(QWidget& window);
// The form a window shows as class T; nullptr when it shows none or another.
template <class T>
T* formOf(QWidget& window) {
    return dynamic_cast<T*>(formOf(window));
}

// Registers step `name`: `open` brings up a modal window; once it is up,
// `fill` works on its form of class T as a clerk would, and the window is
// pictured as `picture` and closed.
template <class T>
void modalFormStep(const std::string& name, const std::string& picture, std::function<void()> open,
                   std::function<void(T&)> fill) {
    registerTourStep(name, [picture, open = std::move(open), fill = std::move(fill)](TourContext& t) {
        t.whileModal(picture, open, [&fill](QWidget& window) {
            if (T* form = formOf<T>(window)) fill(*form);
        });
    });
}

// The step named after window class T: its module-wide instance shown
// modally, pictured under the same name.
template <class T>
void modalFormStep(const std::string& name, std::function<void(T&)> fill) {
    modalFormStep<T>(name, name, [] { formInstance<T>()->showModal(); }, std::move(fill));
}

// The step of the registry's entry operation `entry`, which shows a window
// of class T pictured as `picture`. An entry missing from the registry when
// the tour runs is reported as the step's failure.
template <class T>
void modalEntryStep(const std::string& entry, const std::string& picture, std::function<void(T&)> fill) {
    registerTourStep(entry, [entry, picture, fill = std::move(fill)](TourContext& t) {
        const auto* operation = formRegistry().entry(entry);
        if (!operation) return t.fail(entry + ": not registered");
        t.whileModal(picture, [operation] { (*operation)(); }, [&fill](QWidget& window) {
            if (T* form = formOf<T>(window)) fill(*form);
        });
    });
}

}  // namespace fo::qt
