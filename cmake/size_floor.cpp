// The smallest program the build can make: linked and hardened as every
// appliance program is, it does nothing. Its size is the floor of the size
// report.
int main() { return 0; }
