// Linked with one core library's every object and only the libraries that folder may use.
int main()
{
    return 0;
}
