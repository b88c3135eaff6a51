// The whole life of the program: window, start-up, the loop, release. Its result is the exit
// code, 0 on every path.
#pragma once

int appMain();
