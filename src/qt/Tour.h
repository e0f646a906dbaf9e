#pragma once
#include <functional>
#include <ostream>
#include <string>
#include <utility>
#include <vector>

class QWidget;

namespace fo {
class Form;
}

namespace fo::qt {

// What a tour step works with: where pictures go and how to take them.
// Windows shown modally are pictured from inside their own event loop.
class TourContext {
public:
    TourContext(std::string outDir, std::ostream& out) : outDir_(std::move(outDir)), out_(out) {}

    // Saves a picture of `widget` as NAME.png in the output folder and
    // prints one line naming it.
    void snap(QWidget& widget, const std::string& name);
    // Runs `open`, which shows a modal window or message box; once it is up
    // `work` fills it as a clerk would (a FormView's form can be reached
    // through dynamic_cast), then it is pictured and closed as with the
    // close box. Returns whether a window came up.
    bool whileModal(const std::string& name, const std::function<void()>& open,
                    const std::function<void(QWidget& window)>& work = {});
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

}  // namespace fo::qt
