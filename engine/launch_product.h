// Starts the installed product after a successful setup when "Appli_LaunchId" is set.
#pragma once

bool LaunchProduct();
