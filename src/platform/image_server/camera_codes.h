// Numbers shared by the camera objects and their callers: the protocols a
// camera speaks, the configuration items that can be read one by one, the
// probe modes and the status codes. Each is a closed set of values that the
// cameras and main.ini fix, so the enumerators carry their numbers.
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

// Codes carried by ImageServer::Notify. The viewer's Notify carries the
// stream codes 2, 15, 25 and 1000 with the same meaning.
//
// A running stream is "up" from its code 2 (a picture arrived) until it
// reports 15 or 1000; these two come once when pictures stop coming (the
// connection broke, could not be made, or brought no picture within the stall
// time), also before the first picture, and not again at every further
// attempt. The next picture brings 2 again (and 25 after a reconnect).
namespace NotifyCode {
inline constexpr int RecordEnded = 0;  // the control ended a recording by itself
inline constexpr int Connecting = 1;   // a start is under way
inline constexpr int Connected = 2;    // a picture arrived: the stream is up
// The camera cannot be reached for good (the retry time is over), or it
// answers without a stream: the stream has ended.
inline constexpr int ConnectFailed = 3;
inline constexpr int Motion = 6;         // motion detected (about once a second while it lasts)
inline constexpr int RecordFailed = 11;  // recording stopped: write error or not enough free space
inline constexpr int RecordSplitSize = 12;  // a recording file was closed at its size limit
inline constexpr int RecordSplitTime = 14;  // a recording file was closed at its time limit
inline constexpr int ConnectionLost = 15;  // down: no connection (broken or not made); reconnecting
inline constexpr int FrameDropped = 17;    // a picture was bad or too large and was skipped
inline constexpr int MailSent = 19;        // a motion mail went out
inline constexpr int MailFailed = 20;      // a motion mail was refused
inline constexpr int MailServerUnreachable = 21;
inline constexpr int LoginRefused = 22;   // the camera refused the user name and password
inline constexpr int Reconnected = 25;    // the stream runs again after a reconnect (follows a 2)
inline constexpr int SearchHit = 27;      // a search found a camera (readable through selectServer)
inline constexpr int PanTiltFailed = 51;  // a pan/tilt command was not accepted
inline constexpr int StreamStalled = 1000;  // down: no picture for the stall time; reconnecting
}  // namespace NotifyCode
