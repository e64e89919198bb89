// Numbers shared by the camera objects and their callers: the protocols a
// camera speaks, the configuration items that can be read one by one and the
// probe modes. Each is a closed set of values that the cameras and main.ini
// fix, so the enumerators carry their numbers.
#pragma once

// What a camera speaks: CamInfo::Protocol, ImageServer::setProtocol and a
// search entry's protocol (stored in main.ini as the number).
enum CamProtocol : int {
    kProtocolServer = 0,         // the image server on port 8481
    kProtocolServer80 = 1,       // the image server on port 80
    kProtocolServer80NoNet = 2,  // on port 80; its network settings are not changed from here
    kProtocolViewer = 3,         // the video viewer carries picture, audio and recording
    kProtocolWebStream = 4,      // the image server streams from the camera's web port
};

// Bits of the flag word AlarmFlags (image server and viewer): what a motion
// does. Motion is watched while any of them is set.
enum AlarmFlag : int {
    kAlarmOut = 1,              // switch the camera's alarm output on
    kAlarmMail = 4,             // mail a picture
    kAlarmMotionRecording = 8,  // report it for a motion recording
    kAlarmWatch = kAlarmOut | kAlarmMail | kAlarmMotionRecording,
};

// Items of ImageServer::getConfigItem.
enum ConfigItem : int {
    kConfigAdminId = 40,
    kConfigAdminPassword = 41,
    kConfigSubnetMask = 44,
    kConfigGateway = 45,
};

// Modes of ImageServer::probeStart.
enum ProbeMode : int {
    kProbePanTilt = 83,  // probeResult() 1 = the camera pans and tilts
};
