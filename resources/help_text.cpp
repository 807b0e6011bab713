#include "resources/help_text.h"

#define LINE(text) text "\r\n"

const char kHelpText[] = LINE("#2000 Vantoria") LINE("?") LINE(
    "Vantoria corrects the colour of a photograph in four steps that you")
    LINE("can combine freely: the tonal range, brightness and contrast, memory") LINE(
        "colours, and the optional sharpening and noise removal.") LINE("*") LINE("?")
        LINE("Auto Black Point and Auto White Point measure the darkest and lightest") LINE(
            "tones of the image and stretch them to the full range. The arrows beside")
            LINE("the brightness and contrast symbols move each setting in steps of 5; hold") LINE(
                "Alt for steps of 1.") LINE("*") LINE("?")
                LINE("To correct a memory colour, choose Neutral, Skin or one of your own colours") LINE(
                    "and click into the preview where the image shows that colour. Each click")
                    LINE("adds a sample. Alt-click zooms to 1:1; Ctrl-drag pans the enlarged view.")
                        LINE("*") LINE("?") LINE(
                            "Reset leaves the image unchanged, Prev applies the settings you used "
                            "last,")
                            LINE(
                                "and Custom applies the settings you saved with Save Custom "
                                "Settings.") LINE("*") LINE("") LINE("#2001 Memory Colors")
                                LINE("?") LINE(
                                    "A memory colour is described by its hue, its chroma and dHue, "
                                    "the change of")
                                    LINE(
                                        "hue from dark to light tones. Drag the handles in the hue "
                                        "strip and the")
                                        LINE(
                                            "chroma strip, or select Hue, Chroma or dHue and use "
                                            "the arrow keys.") LINE("*") LINE("?")
                                            LINE(
                                                "dHue runs from 10 to -10. Positive values turn "
                                                "light tones towards lower")
                                                LINE("hues, negative values towards higher hues.")
                                                    LINE("*") LINE("?") LINE(
                                                        "Picker takes a colour from the colour "
                                                        "picker, a click into the preview")
                                                        LINE(
                                                            "takes up to five eye dropper samples, "
                                                            "and Import reads CIE measurements.")
                                                            LINE(
                                                                "Save and Load keep a single "
                                                                "colour in a file. Ctrl with a "
                                                                "digit selects a")
                                                                LINE(
                                                                    "colour: 1 Neutral, 2 Skin, 3 "
                                                                    "to 0 your own colours.")
                                                                    LINE("*") LINE("") LINE(
                                                                        "#2002 Preferences")
                                                                        LINE("?") LINE(
                                                                            "Start With chooses "
                                                                            "the settings the "
                                                                            "editor opens with: "
                                                                            "the previous")
                                                                            LINE(
                                                                                "settings, the "
                                                                                "custom settings "
                                                                                "you loaded, or "
                                                                                "Reset.") LINE("*")
                                                                                LINE("?") LINE(
                                                                                    "Show Sampled "
                                                                                    "Region paints "
                                                                                    "the pixels "
                                                                                    "that a sample "
                                                                                    "click has "
                                                                                    "measured in")
                                                                                    LINE(
                                                                                        "blue for "
                                                                                        "a moment. "
                                                                                        "Use "
                                                                                        "Largest "
                                                                                        "Possible "
                                                                                        "Window "
                                                                                        "makes the "
                                                                                        "editor "
                                                                                        "fill the")
                                                                                        LINE(
                                                                                            "screen"
                                                                                            " the "
                                                                                            "next "
                                                                                            "time "
                                                                                            "it "
                                                                                            "opens"
                                                                                            ".")
                                                                                            LINE(
                                                                                                "*")
                                                                                                LINE(
                                                                                                    "")
                                                                                                    LINE(
                                                                                                        "#2003 Sharpen / Remove Noise")
                                                                                                        LINE(
                                                                                                            "?")
                                                                                                            LINE(
                                                                                                                "Strength sets how much the edges are sharpened, from 1 to 24.")
                                                                                                                LINE(
                                                                                                                    "*")
                                                                                                                    LINE(
                                                                                                                        "?")
                                                                                                                        LINE(
                                                                                                                            "Noise removal works on the blue and red chrominance separately. Radius")
                                                                                                                            LINE(
                                                                                                                                "sets how far the filter looks around each pixel; Threshold sets how")
                                                                                                                                LINE(
                                                                                                                                    "different a pixel may be before it is treated as noise.")
                                                                                                                                    LINE(
                                                                                                                                        "*")
                                                                                                                                        LINE(
                                                                                                                                            "?")
                                                                                                                                            LINE(
                                                                                                                                                "Drag in the preview or the navigator to look at another part of the")
                                                                                                                                                LINE(
                                                                                                                                                    "image; the buttons below the preview zoom in and out.")
                                                                                                                                                    LINE(
                                                                                                                                                        "*")
                                                                                                                                                        LINE(
                                                                                                                                                            "##");

#undef LINE

const uint32_t kHelpTextSize = uint32_t(sizeof kHelpText - 1);
