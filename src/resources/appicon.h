#pragma once

class QIcon;

/// The application icon (32 and 64 pixel images from the resources).
QIcon applicationIcon();
