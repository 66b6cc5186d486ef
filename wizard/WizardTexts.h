#pragma once

#include <juce_core/juce_core.h>

// The wizard's own texts, kept in one place so that the screen and its tests share them.
namespace WizardTexts
{
inline constexpr const char* instruction1 =
    "You have done the preparations described in the manual:\n\nYou are sitting on a swivel chair, facing a loudspeaker, which is approximately at the same height as your head and is pointing directly to you. There are no reflecting objects in the ellipsoic volume surrounding you and the loudspeaker.\n\nYou have downloaded the stimulus sound file on a music device, which is connected via a cable to the loudspeaker.\n\nYou have switched off everything that could possibly interfere with the measurement (bluethooth, wifi, all other programs). Also, you have made sure that the laptop is running on its internal battery and is not in power saving mode.\n\nYou have installed the head mount correctly and plugged the cables into the laptop on your lap. Rotating your head in all directions, you convince yourself that the in-ear microphones will not pop out during the measurement and the cables do not restrict your head movement.\n\nIf so, you are ready for step 2.";

inline constexpr const char* instruction2 =
    "The animated head shown on the left will help you throughout the measurement. \n \nWith the headtracker positioned in the middle of your forehead, the animated head should mirror your head movements, yet its movement is likely to be unstable, because the head tracker requires calibration. \n \nTo this end, you press the calibration button and you rotate your head for 30 seconds in all possible orientations, as in the actual measurement but faster. Try to make large rotations, in all directions and don't forget to also rotate on the chair. \n \nIf the head movement is still unstable after calibration, rerun the procedure, in search of the limits of the mobility of your neck joints.\n\nIf not, go to step 3. ";

inline constexpr const char* instruction3 =
    "Now we will check the audio quality of the recorded signals. First, make sure the sound level of the audio is as high as possible, while still comfortable to you (for fifteen minutes).\n \nNext, direct your head towards the sound source and press the quality check button (and hold your head still for 5s). \n \nYou may be asked to increase/decrease the volume of the microphone and rerun the quality test, until the volume is okay.\n \nIf the quality is still insufficient, this may be due to a problem with the in-ear microphones, or the acoustic properties of the room : either the room is too reverberant or there is too much background noise. \n \nIf the audio quality passed the test, go to step 4.";

inline constexpr const char* instruction4 =
    "Now you are ready to start your HRTF measurement.\n \nYou start the measurement by pressing the start button, with your face directed straight at the sound source. \n \nDuring the ensuing 15 minutes, you rotate your head such that you sample the sphere surrounding your head sufficiently in all directions. \n \nTo help you cover the full sphere, you will get an animation of the approximate sampling of the sphere. \n \nDon't move too fast (red means too fast). \n\nMove your head but not your shoulders! \n\nAfter the measurement, you can proceed to step 5.";

inline constexpr const char* instruction5 =
    "Next, you will measure the system response. \n \nRemove the chair, take the microphones out of your ears (but not out of the ear mounts) and the sound card out of the head strap, stretch your arm as far out as possible and position the microphones (dangling from you hand) at approximately the position where your head was during the measurement. During the 30s measurement, you may move the microphones slowly around in the area where your head was. \n \nYou may want to put on some ear protection (headphones or earphones) to muffle the sounds from the speaker, because you should keep the audioplayer at the same volume.\n \nMake sure that you are standing behind the microphones (as seen from the loudspeaker). This way, you maximally separate the direct sound from the reflections on your body/arm.";

inline constexpr const char* instruction6 =
    "Having measured both the HRTF and system response, you have collected all the necessary data to extract your HRTF. \n \nPress the 'Zip Files' button, to zip all necessary measurment data into one file. It will upload the latest measurement and calibration files. If for some reason, these are the wrong files, you can replace these manually in the zip-file. Please upload the zip-file with a file-transfer website of your choice and send the download link to our support e-mail address.";

inline constexpr const char* trackerNotFoundInitial =
    "The head tracker is not found. Please connect the head tracker, and press 'step2'.";

inline constexpr const char* noAudioChecksYet = "No audio checks have been carried out yet.";

inline constexpr const char* trackerNotFound =
    "The head tracker is not found.\n\nPlease connect the head tracker and press 'step2'.";

inline constexpr const char* soundcardNotFound =
    "The Axagon sound card is not found.\n\nPlease connect the sound card and press 'step3'.";

inline constexpr const char* devicesNotFound =
    "The head tracker or Axagon sound card is not found.\n\nPlease connect them and press 'step4'.";

// A recording that could not start; stepName is for example "'step4'".
inline juce::String recordingNoDevice (const juce::String& stepName)
{
    return "Nothing could be recorded: the Axagon sound card is not running.\n\n"
           "Please connect the sound card and press " + stepName + " again.";
}

inline juce::String recordingFileFailed (const juce::String& folder, const juce::String& stepName)
{
    return "Nothing could be recorded: no recording file could be created in the folder\n\n" + folder
           + "\n\nMake sure there is free space and that the folder may be written to, and press " + stepName + " again.";
}

// An audio check during which no block arrived from the card.
inline constexpr const char* noSoundFromSoundcard =
    "No sound arrived from the Axagon sound card. Make sure the sound card is connected, press 'step3' and rerun the audio check.";

inline constexpr const char* productName = "Ormalix";
} // namespace WizardTexts
