#pragma once

// Makes sure an X server and a PulseAudio daemon with a null sink are there for the tests. The test
// command starts them once for the whole run; a test program started on its own starts its own and
// stops them when it exits.
void EnsureTestServers();
