#include "camera_server.h"
bool CameraServer::HandleWebPage(QTcpSocket*, const Request&) { return false; }
