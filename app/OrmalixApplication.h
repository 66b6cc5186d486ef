#pragma once

#include <juce_gui_basics/juce_gui_basics.h>

#include "wizard/MainComponent.h"

// The application object and its one full-screen window; shared by the program and its demo.

class OrmalixApplication : public juce::JUCEApplication
{
public:
    OrmalixApplication() = default;

    const juce::String getApplicationName() override { return "OrmalixApp"; }
    const juce::String getApplicationVersion() override { return "3.0"; }
    bool moreThanOneInstanceAllowed() override { return true; }

    void initialise (const juce::String&) override { mainWindow.reset (new MainWindow (getApplicationName())); }

    MainComponent* wizard() const
    {
        return mainWindow != nullptr ? dynamic_cast<MainComponent*> (mainWindow->getContentComponent()) : nullptr;
    }

    void shutdown() override { mainWindow = nullptr; }

    void systemRequestedQuit() override { quit(); }

    void anotherInstanceStarted (const juce::String&) override {}

    class MainWindow : public juce::DocumentWindow
    {
    public:
        explicit MainWindow (const juce::String& name)
            : DocumentWindow (name,
                              juce::Desktop::getInstance().getDefaultLookAndFeel().findColour (
                                  juce::ResizableWindow::backgroundColourId),
                              DocumentWindow::allButtons)
        {
            setUsingNativeTitleBar (true);
            setContentOwned (new MainComponent(), false);
            setResizable (false, false);
            centreWithSize (getWidth(), getHeight());
            setFullScreen (true);
           #if JUCE_LINUX || JUCE_BSD
            coverPrimaryDisplay();
           #endif
            setVisible (true);
        }

        void closeButtonPressed() override { JUCEApplication::getInstance()->systemRequestedQuit(); }

    private:
       #if JUCE_LINUX || JUCE_BSD
        // X11 only asks the window manager to go full screen; without one (or under Xvfb) the
        // window would stay at its default 128 x 128. Take the display's bounds ourselves,
        // through the peer so that the window keeps its full-screen state.
        void coverPrimaryDisplay()
        {
            const auto* display = juce::Desktop::getInstance().getDisplays().getPrimaryDisplay();
            if (display == nullptr)
                return;

            if (auto* peer = getPeer())
                peer->setBounds (display->totalArea, true);
            else
                setBounds (display->totalArea);
        }
       #endif

        JUCE_DECLARE_NON_COPYABLE_WITH_LEAK_DETECTOR (MainWindow)
    };

private:
    std::unique_ptr<MainWindow> mainWindow;
};
