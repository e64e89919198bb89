#include "camera_server.h"
bool CameraServer::StartTftp() { return true; }
void CameraServer::OnTftpDatagrams() {}
void CameraServer::Reboot(const QString&) {}
