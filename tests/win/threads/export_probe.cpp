// Stands in for the setup executable until it exists: takes every object of the thread library,
// so that its export table can be read.
int main() { return 0; }
